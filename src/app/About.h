#pragma once

#include <QDialog>

/// "О программе": what the program is for, its version and maker.
class TAbout_Form : public QDialog
{
    Q_OBJECT

public:
    explicit TAbout_Form(QWidget* parent = nullptr);
};
