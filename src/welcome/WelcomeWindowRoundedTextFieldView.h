#pragma once

#include <QLineEdit>
#include <QWidget>

namespace welcome {

// The rounded input of the sign-up screen: a borderless one-line field on a grey face, with a
// styled placeholder and an optional highlight border. Return in it goes to the welcome window
// (submitting the form) and inserts nothing.
class WelcomeWindowRoundedTextFieldView : public QWidget {
    Q_OBJECT
public:
    WelcomeWindowRoundedTextFieldView(const QRect& frame, const QString& placeholder, QWidget* parent = nullptr);

    QLineEdit* textField() const { return m_textField; }
    QString placeholder() const { return m_placeholder; }

    void highlight(bool on);
    bool isHighlighted() const { return m_highlighted; }

Q_SIGNALS:
    // Return was pressed in the field.
    void newLinePressed(WelcomeWindowRoundedTextFieldView* field);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLineEdit* m_textField;
    QString m_placeholder;
    bool m_highlighted = false;
};

} // namespace welcome
