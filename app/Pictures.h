// Pictures the window draws itself: the four state-lamp balls and the logo.
#pragma once

#include <QPixmap>

// Indices into the lamp's image list.
enum TLampState { lsGrey = 0, lsGreen = 1, lsYellow = 2, lsRed = 3 };
constexpr int LampPictureCount = 4;
constexpr int LampPictureSize = 17;

// One lamp picture: a shaded ball of the state's colour, `size` pixels square.
QPixmap LampPicture(int index, int size = LampPictureSize);

// The program's logo: a chip on a programming socket, `size` pixels square.
QPixmap LogoPicture(int size);
