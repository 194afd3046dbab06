#include "form_setting.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace varnotile {

FormSetting::FormSetting(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TFormSetting"));
    setWindowTitle(QStringLiteral("Varnotile General Settings"));
    setModal(true);
    move(204, 105);
    setFixedSize(240, 249);

    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };
    LabFileOpen = new QLabel(QStringLiteral("Open File Option"), this);
    named(LabFileOpen, "LabFileOpen")->move(6, 10);
    LabFileOpen->adjustSize();

    GrBoxDD = new QGroupBox(QStringLiteral(" Data delimiter  "), this);
    named(GrBoxDD, "GrBoxDD")->setGeometry(18, 30, 195, 107);
    RBtnComma = new QRadioButton(QStringLiteral("Comma"), GrBoxDD);
    RBtnSemi = new QRadioButton(QStringLiteral("Semicolon"), GrBoxDD);
    RBtnSpace = new QRadioButton(QStringLiteral("Space"), GrBoxDD);
    RBtnTab = new QRadioButton(QStringLiteral("Tab"), GrBoxDD);
    named(RBtnComma, "RBtnComma")->move(16, 18);
    named(RBtnSemi, "RBtnSemi")->move(16, 41);
    named(RBtnSpace, "RBtnSpace")->move(16, 62);
    named(RBtnTab, "RBtnTab")->move(16, 84);
    for (QRadioButton* b : {RBtnComma, RBtnSemi, RBtnSpace, RBtnTab}) b->adjustSize();

    LabFileSave = new QLabel(QStringLiteral("Save File Option"), this);
    named(LabFileSave, "LabFileSave")->move(8, 148);
    LabFileSave->adjustSize();
    ChBoxKeepAge = new QCheckBox(QStringLiteral("Keep the file date/time"), this);
    named(ChBoxKeepAge, "ChBoxKeepAge")->move(34, 164);
    ChBoxKeepAge->adjustSize();
    ChBoxKeepAge->setChecked(true);

    BitBtnClose = new QPushButton(QStringLiteral("OK"), this);
    named(BitBtnClose, "BitBtnClose")->setGeometry(80, 190, 61, 23);
    BitBtnClose->setDefault(true);
    connect(BitBtnClose, &QPushButton::clicked, this, &FormSetting::BitBtnCloseClick);

    setTabOrder(ChBoxKeepAge, RBtnComma);
    setTabOrder(RBtnComma, RBtnSemi);
    setTabOrder(RBtnSemi, RBtnSpace);
    setTabOrder(RBtnSpace, RBtnTab);
    setTabOrder(RBtnTab, BitBtnClose);
}

void FormSetting::FormShow(const std::string& listSeparator, bool keepFileDate) {
    if (listSeparator == ",")
        RBtnComma->setChecked(true);
    else if (listSeparator == ";")
        RBtnSemi->setChecked(true);
    else if (listSeparator == " ")
        RBtnSpace->setChecked(true);
    else if (listSeparator == "\t")
        RBtnTab->setChecked(true);
    ChBoxKeepAge->setChecked(keepFileDate);
}

void FormSetting::FormClose(std::string& listSeparator, bool& keepFileDate) const {
    if (RBtnComma->isChecked())
        listSeparator = ",";
    else if (RBtnSemi->isChecked())
        listSeparator = ";";
    else if (RBtnSpace->isChecked())
        listSeparator = " ";
    else if (RBtnTab->isChecked())
        listSeparator = "\t";
    keepFileDate = ChBoxKeepAge->isChecked();
}

void FormSetting::BitBtnCloseClick() { accept(); }

} // namespace varnotile
