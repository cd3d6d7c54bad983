#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

// Shows a colour (0xRRGGBB) in a swatch frame.
inline void SetSwatchColour(QWidget *swatch, quint32 rgb)
{
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(rgb));
    swatch->setPalette(palette);
}
