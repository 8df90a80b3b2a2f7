// Qt backend: the system icons and our resource cursors as Qt objects.
#pragma once

#include <QCursor>
#include <QImage>

#include "platform/gfx/icon.h"
#include "platform/gfx/resources.h"

// The real cursor of a resource cursor (its image and hot spot); the arrow for none.
QCursor QtCursor(HCURSOR cursor);
// An icon from a Qt image, scaled to size × size.
void IconFromImage(const QImage& image, int size, TIcon& icon);
