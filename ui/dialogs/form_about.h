#pragma once
// The About window TFormAbout: a picture of the program in use and its name with a gray shadow.
#include <QDialog>

class QLabel;
class QPushButton;

namespace varnotile {

class FormAbout : public QDialog {
    Q_OBJECT
public:
    explicit FormAbout(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    QLabel* image1_ = nullptr;
    QLabel* lab1_ = nullptr;
    QLabel* lab2_ = nullptr;
    QPushButton* btnOK_ = nullptr;
};

} // namespace varnotile
