#include "StateLamp.h"

TStateLamp::TStateLamp(QWidget* parent) : QLabel(parent) {
    for (int i = 0; i < LampPictureCount; ++i)
        FImages[i] = LampPicture(i);
    setFixedSize(LampPictureSize, LampPictureSize);
    SetPicture(lsGrey);
}

void TStateLamp::SetPicture(int index) {
    if (index < 0 || index >= LampPictureCount || index == FIndex) return;
    FIndex = index;
    setPixmap(FImages[index]);
}

void TStateLamp::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DoubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}
