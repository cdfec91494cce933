// The state lamp: a 17 x 17 picture taken from an image list of four balls
// (grey, green, yellow, red) that reports double-clicks.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <array>

#include "Pictures.h"

class TStateLamp : public QLabel {
    Q_OBJECT
  public:
    explicit TStateLamp(QWidget* parent = nullptr);
    void SetPicture(int index);
    int Picture() const { return FIndex; }

  signals:
    void DoubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    std::array<QPixmap, LampPictureCount> FImages;
    int FIndex = -1;
};
