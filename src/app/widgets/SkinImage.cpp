#include "app/widgets/SkinImage.h"

#include <QPainter>

void TSkinImage::paintEvent(QPaintEvent*) {
  if (picture_.isNull()) return;
  QPainter p(this);
  if (Stretch) p.drawImage(rect(), picture_);
  else p.drawImage(QPoint(0, 0), picture_);
}
