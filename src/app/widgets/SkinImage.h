#pragma once
// The skin picture: drawn at its own size from the top-left corner; the rest
// of the control shows the window colour.
#include <QImage>
#include <QWidget>

class TSkinImage : public QWidget {
  Q_OBJECT
public:
  explicit TSkinImage(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetPicture(const QImage& image) {
    picture_ = image;
    update();
  }
  const QImage& Picture() const { return picture_; }
  bool Stretch = false;

protected:
  void paintEvent(QPaintEvent*) override;

private:
  QImage picture_;
};
