#pragma once
// The playlist list box: multi-select with Shift and Ctrl, the focused line is
// the current line. Key and mouse handling is routed to the main window.
#include <QListView>

class TPlayListModel;

class TPlayListBox : public QListView {
  Q_OBJECT
public:
  explicit TPlayListBox(QWidget* parent = nullptr);
  TPlayListModel* Model() const;

  // Item index: the focused (current) line, -1 for none.
  int ItemIndex() const;
  void SetItemIndex(int i);
  bool Selected(int i) const;
  void SetSelected(int i, bool on);
  int SelCount() const;

signals:
  // After the list's own handling of a press (the line is already selected).
  void MousePressed(Qt::MouseButton button, QPoint globalPos);

protected:
  void mousePressEvent(QMouseEvent* e) override;
};
