// A label whose text is drawn twice: a grey copy offset by two pixels right and
// down, under a black copy, which gives the About page's title its shadow.
#pragma once

#include <QWidget>

class TShadowLabel : public QWidget {
    Q_OBJECT
  public:
    explicit TShadowLabel(const QString& text, QWidget* parent = nullptr);
    QString Text() const { return FText; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString FText;
};
