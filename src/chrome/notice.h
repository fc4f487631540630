#pragma once

class QString;
class QWidget;

// A short notice over parent that does not hold the user up: it closes with its button.
void showNotice(QWidget *parent, const QString &text);
