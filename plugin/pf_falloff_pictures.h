#pragma once

// The images compiled into the plug-in: one picture per falloff curve, drawn from the curves the drag uses
// (so the pictures cannot disagree with them), and the settings cog. The program resources/pf_make_images
// writes them into resources/img; a test checks that the compiled-in files are what these functions draw.

#include <QImage>
#include <QString>

#include "pf_settings.h"

// 618 x 150 pixels.
constexpr int PF_FALLOFF_PICTURE_WIDTH = 618;
constexpr int PF_FALLOFF_PICTURE_HEIGHT = 150;

// The file name of a mode's picture ("01-smooth-curve.png"), empty for modes without a curve.
QString PfFalloffPictureFileName(PfFalloffMode mode);

// The weight over the distance from the selection, mirrored about the centre (the selection), out to a
// little beyond the radius on both sides: a light grey shape on dark grey. The random curve is drawn from a
// fixed seed, so the picture is the same in every run. A null image for a mode without a curve.
QImage PfDrawFalloffPicture(PfFalloffMode mode);

// 32 x 32, shown at 16 x 16: a light grey cog on a transparent ground.
QImage PfDrawCogIcon();

// Makes the compiled-in images (":/img/...") available; the plug-in's static libraries need it once before
// the first image is loaded. Cheap to call again.
void PfInitImageResources();
