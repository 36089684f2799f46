#pragma once

#include <QColor>
#include <QWidget>

// The completion popup's window: frameless, above the other windows like a menu, never given
// the keyboard focus, so that the editor keeps it while the popup is open. It paints a rounded
// background with a border; its content view holds the list and the description panel.
class KVAutoCompleteWindow : public QWidget {
    Q_OBJECT
public:
    KVAutoCompleteWindow();

    QWidget* backgroundView() const { return m_backgroundView; }
    void setLook(const QColor& background, double cornerRadius, double borderWidth, const QColor& border);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_backgroundView;
    QWidget* m_borderView;
    QColor m_background;
    double m_cornerRadius = 3;
};
