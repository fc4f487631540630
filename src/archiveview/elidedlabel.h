#pragma once

#include <QLabel>

// A label that shows as much of its text as fits, and the whole in its tooltip when cut: a long
// text in a long language neither widens its row nor runs off its edge.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    void setWholeText(const QString &text);
    QString wholeText() const { return m_whole; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void elide();

    QString m_whole;
};
