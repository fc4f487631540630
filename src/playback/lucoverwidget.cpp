#include "lucoverwidget.h"

#include "ui_lucoverwidget.h"

#include <QLabel>
#include <QVBoxLayout>

LuCoverWidget::LuCoverWidget(QWidget *parent)
    : QWidget(parent)
{
    // Without it a plain QWidget ignores its style-sheet background and would not be black.
    // The style rule names the class, not the object: the main window renames its cover.
    setAttribute(Qt::WA_StyledBackground);
    Ui::LuCoverWidget form;
    form.setupUi(this);
    m_message = new QLabel(this);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setStyleSheet(QStringLiteral("color: rgb(200, 200, 200); background: transparent;"));
    m_message->hide();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_message);
}

void LuCoverWidget::setMessage(const QString &text)
{
    m_message->setText(text);
    m_message->setVisible(!text.isEmpty());
}

QString LuCoverWidget::message() const
{
    return m_message->text();
}
