#pragma once

#include <QPushButton>

namespace orq::gui {

// A push button whose caption wraps onto a second line when it is wider than the button; "&"
// marks the access key as on any button.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    explicit WrapButton(const QString& text, QWidget* parent = nullptr);

    // True when the caption, wrapped at word boundaries, fits inside the button.
    bool CaptionFits() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect CaptionRect() const;
};

} // namespace orq::gui
