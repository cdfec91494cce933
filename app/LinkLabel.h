// A navy, underlined label with a hand cursor that opens its address through
// the desktop's URL handler when clicked. Errors of the handler are ignored.
#pragma once

#include <QLabel>
#include <QUrl>

class TLinkLabel : public QLabel {
    Q_OBJECT
  public:
    TLinkLabel(const QString& text, const QUrl& address, QWidget* parent = nullptr);
    QUrl Address() const { return FAddress; }

  signals:
    void LinkClicked(const QUrl& address);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QUrl FAddress;
};
