// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Window measures are kept in twips, 1/1440 inch: 15 twips per pixel at 96 dpi, scaled by
// the logical dpi of the primary screen.

namespace pelmor::shell {

// Twips per pixel of the primary screen; 15 when no screen is known.
double TwipsPerPixel();
// Pixels of a twip measure, rounded to the nearest pixel.
int ToPixels(double twips);
// Twips of a pixel measure.
double ToTwips(int pixels);

}  // namespace pelmor::shell
