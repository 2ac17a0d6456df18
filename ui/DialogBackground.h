#pragma once
// The program's own windows share one background: a light-grey picture tiled
// from the window's top-left corner. Their labels draw no background of their
// own, so the picture shows between and around the letters, and a label whose
// text gets shorter leaves nothing of the longer text behind. Message boxes,
// the folder picker and the no-drives notice keep the system's look.

class QWidget;

// The picture's size and its one colour.
inline constexpr int BACKGROUND_WIDTH = 774;
inline constexpr int BACKGROUND_HEIGHT = 573;
inline constexpr int BACKGROUND_RED = 229;
inline constexpr int BACKGROUND_GREEN = 230;
inline constexpr int BACKGROUND_BLUE = 231;

// Paints pWindow's client area with the tiled picture from now on. The
// windows it opens keep their own look: top-level windows inherit no palette.
void SetDialogBackground(QWidget* pWindow);
