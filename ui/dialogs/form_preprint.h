#pragma once
// The Page Setup dialog TFormPreprint: four margins in percent, the orientation and a small
// preview of the page. It edits the data set's page state directly; applying the margins to the
// chart and printing are the main window's (signals below).
#include "dataset.h"

#include <QDialog>
#include <QSpinBox>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace varnotile {

// An up-down number box that cannot be typed into: only its arrows (and arrow keys) change it.
class ArrowSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit ArrowSpinBox(QWidget* parent = nullptr);
};

// The drawing area PaintBox1: paints the page preview for the current page state.
class PagePreviewBox : public QWidget {
    Q_OBJECT
public:
    PagePreviewBox(const DataSet& ds, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const DataSet& ds_;
};

class FormPreprint : public QDialog {
    Q_OBJECT
public:
    FormPreprint(DataSet& ds, QWidget* parent = nullptr);

    // Sizes the preview box for the orientation and repaints it.
    void DrawPagePreview();

signals:
    // "Print" was pressed: apply the margins to the chart and print; the dialog stays open.
    void printRequested();
    // The dialog is closing (by "OK" or its close box): apply the margins to the chart.
    void closing();

public slots:
    void done(int result) override;

private:
    void FormCreate();
    void SEditLeftChange();
    void SEditRightChange();
    void SEditTopChange();
    void SEditBottomChange();
    void RBtnPortraitClick();
    void RBtnLandscapeClick();

    DataSet& ds_;
    QLabel* labMargin_ = nullptr;
    QLabel *labTop_ = nullptr, *labLeft_ = nullptr, *labRight_ = nullptr, *labBottom_ = nullptr;
    ArrowSpinBox *sEditTop_ = nullptr, *sEditLeft_ = nullptr, *sEditRight_ = nullptr, *sEditBottom_ = nullptr;
    PagePreviewBox* paintBox1_ = nullptr;
    QGroupBox* grBoxOrientation_ = nullptr;
    QRadioButton *rBtnPortrait_ = nullptr, *rBtnLandscape_ = nullptr;
    QPushButton *bitBtnPrint_ = nullptr, *bitBtnOK_ = nullptr;
};

} // namespace varnotile
