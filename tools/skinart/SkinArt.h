#pragma once
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QString>

namespace skinart {

constexpr int kWidth = 261;
constexpr int kHeight = 115;

// The built-in look: a grey brushed panel with a darker rim; 30 corner pixels
// in the key colour (lime) cut the corners.
QImage PaintBuiltIn();

// The program's icon at `size` pixels: a round speaker-cone disc with a note.
QImage PaintIcon(int size);

// Writes every bundled skin (script and bitmap) into `folder`.
bool WriteBundledSkins(const QString& folder);

// Shared drawing pieces.
void BrushedPanel(QImage& img, QColor base, QColor rim, unsigned seed);
void CutCorners(QImage& img, QColor key);
void DrawControlMarks(QImage& img, QColor ink, QColor groove);
// Light plates under the buttons that draw black captions (volume, rewind,
// fast forward), so they read on any skin.
void DrawPlates(QImage& img, QColor plate, QColor edge);
// Round caps under Play/Pause and Stop, whose captions use the main font
// colour.
void DrawCaps(QImage& img, QColor cap, QColor edge);
// Every pixel outside `shape` (filled without antialiasing) becomes `key`.
void CutOutside(QImage& img, const QPainterPath& shape, QColor key);

} // namespace skinart
