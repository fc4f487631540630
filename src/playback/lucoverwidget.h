#pragma once

#include <QWidget>

class QLabel;

// A plain black placeholder for a pane that has nothing to show, with an optional line of text
// in its middle (why there is nothing to show).
class LuCoverWidget : public QWidget
{
    Q_OBJECT

public:
    explicit LuCoverWidget(QWidget *parent = nullptr);

    // Empty hides the text.
    void setMessage(const QString &text);
    QString message() const;

private:
    QLabel *m_message = nullptr;
};
