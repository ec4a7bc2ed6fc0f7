#pragma once
// The about box's mask picture: the program's name in large block letters, white on
// black, in a 16-colour picture. The fire shows through the white letters.

#include <QImage>

// A width × height picture (Format_Indexed8 with the 16 standard colours; index 15 is
// white). The lettering is centred and needs 296 × 35 pixels; a smaller picture
// shows what fits.
QImage MakeAboutMask(int width, int height);
