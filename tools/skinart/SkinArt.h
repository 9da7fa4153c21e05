#pragma once
#include <QColor>
#include <QImage>
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

} // namespace skinart
