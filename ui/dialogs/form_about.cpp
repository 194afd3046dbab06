#include "form_about.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

// The picture is compiled into the ui library; a static library needs its resources registered.
static void registerAboutResources() { Q_INIT_RESOURCE(varnotile); }

namespace varnotile {
namespace {

QLabel* titleLabel(QWidget* parent, const char* name, const QColor& colour) {
    auto* label = new QLabel(QStringLiteral("Varnotile"), parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(32);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->adjustSize();
    return label;
}

} // namespace

FormAbout::FormAbout(QWidget* parent) : QDialog(parent) {
    registerAboutResources();
    setObjectName(QStringLiteral("TFormAbout"));
    setWindowTitle(QStringLiteral("About Varnotile"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(450, 253);

    image1_ = new QLabel(this);
    image1_->setObjectName(QStringLiteral("Image1"));
    image1_->setGeometry(2, 16, 251, 227);
    image1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image1_->setPixmap(QPixmap(QStringLiteral(":/varnotile/about.jpg")));

    lab1_ = titleLabel(this, "Lab1", Qt::gray);
    lab1_->move(264, 16);
    lab2_ = titleLabel(this, "Lab2", Qt::blue);
    lab2_->raise();

    auto* version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(VARNOTILE_VERSION)), this);
    version->setObjectName(QStringLiteral("LabVersion"));
    version->move(266, 64);
    version->adjustSize();

    btnOK_ = new QPushButton(QStringLiteral("OK"), this);
    btnOK_->setObjectName(QStringLiteral("BtnOK"));
    btnOK_->setGeometry(314, 178, 73, 27);
    btnOK_->setDefault(true);
    connect(btnOK_, &QPushButton::clicked, this, &QDialog::accept);
    FormShow();
}

void FormAbout::showEvent(QShowEvent* event) {
    FormShow();
    // Centred on the screen of the window that opened it.
    const QWidget* owner = parentWidget();
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void FormAbout::FormShow() {
    // The blue title sits 2 pixels up and left of the gray one, which shows as its shadow.
    lab2_->move(lab1_->pos() - QPoint(2, 2));
    lab2_->raise();
}

} // namespace varnotile
