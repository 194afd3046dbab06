#include "form_modify.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace varnotile {

namespace {

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* boldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

QLineEdit* FormModify::addEdit(const char* name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

FormModify::FormModify(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("TFormModify"));
    setWindowTitle(QStringLiteral("Data Modifying..."));
    setModal(true);
    setFixedSize(332, 303);

    editColonName_ = addEdit("EditColonName");
    editColonLabel_ = addEdit("EditColonLabel");
    editBegRow_ = addEdit("EditBegRow");
    editEndRow_ = addEdit("EditEndRow");
    bitBtnAll_ = new QPushButton(QStringLiteral("All"), this);
    bitBtnAll_->setObjectName(QStringLiteral("BitBtnAll"));
    bitBtnAll_->setAutoDefault(false);
    cmbBoxCondition_ = new QComboBox(this);
    cmbBoxCondition_->setObjectName(QStringLiteral("CmbBoxCondition"));
    cmbBoxCondition_->setEditable(true);
    cmbBoxCondition_->setInsertPolicy(QComboBox::NoInsert);
    cmbBoxCondition_->addItems({QStringLiteral(">"), QStringLiteral("<"), QStringLiteral("=")});
    cmbBoxCondition_->setCurrentIndex(0);
    editVal1_ = addEdit("EditVal1");
    editVal2_ = addEdit("EditVal2");
    editMult_ = addEdit("EditMult");
    editAdd_ = addEdit("EditAdd");
    bitBtnModify_ = new QPushButton(QStringLiteral("Modify"), this);
    bitBtnModify_->setObjectName(QStringLiteral("BitBtnModify"));
    bitBtnModify_->setDefault(true);
    bitBtnCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    bitBtnCancel_->setObjectName(QStringLiteral("BitBtnCancel"));
    bitBtnCancel_->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(5);

    auto* names = new QGridLayout;
    names->addWidget(new QLabel(QStringLiteral("Colon Name"), this), 0, 0);
    names->addWidget(editColonName_, 0, 1);
    names->addWidget(new QLabel(QStringLiteral("Colon Label"), this), 1, 0);
    names->addWidget(editColonLabel_, 1, 1);
    layout->addLayout(names);
    layout->addWidget(separator(this));

    auto* rows = new QHBoxLayout;
    rows->addWidget(new QLabel(QStringLiteral("From Row"), this));
    rows->addWidget(editBegRow_);
    rows->addWidget(new QLabel(QStringLiteral("To Row"), this));
    rows->addWidget(editEndRow_);
    rows->addWidget(bitBtnAll_);
    layout->addLayout(rows);
    layout->addWidget(separator(this));

    layout->addWidget(boldLabel(QStringLiteral("Conditional Transformation"), this));
    auto* condition = new QHBoxLayout;
    condition->addWidget(new QLabel(QStringLiteral("If Value"), this));
    condition->addWidget(cmbBoxCondition_);
    condition->addWidget(editVal1_);
    condition->addWidget(new QLabel(QStringLiteral("Then Value ="), this));
    condition->addWidget(editVal2_);
    layout->addLayout(condition);
    layout->addWidget(separator(this));

    layout->addWidget(boldLabel(QStringLiteral("Linear Transformation"), this));
    auto* linear = new QHBoxLayout;
    linear->addWidget(new QLabel(QStringLiteral("New Value = "), this));
    linear->addWidget(editMult_);
    linear->addWidget(boldLabel(QStringLiteral("*"), this));
    linear->addWidget(new QLabel(QStringLiteral("Old Value"), this));
    linear->addWidget(boldLabel(QStringLiteral("+"), this));
    linear->addWidget(editAdd_);
    layout->addLayout(linear);
    layout->addWidget(separator(this));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bitBtnModify_);
    buttons->addWidget(bitBtnCancel_);
    layout->addLayout(buttons);

    // Keyboard order: the buttons first, then the fields from top to bottom, "All" last.
    QWidget* order[] = {bitBtnModify_, bitBtnCancel_, cmbBoxCondition_, editColonName_, editColonLabel_, editBegRow_,
                        editEndRow_,   editVal1_,     editVal2_,        editMult_,      editAdd_,       bitBtnAll_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    // What a screen reader names each field by: the words beside it.
    const std::pair<QWidget*, const char*> spoken[] = {
        {editColonName_, "Colon Name"}, {editColonLabel_, "Colon Label"},     {editBegRow_, "From Row"},
        {editEndRow_, "To Row"},        {cmbBoxCondition_, "If Value"},       {editVal1_, "If Value compared with"},
        {editVal2_, "Then Value ="},    {editMult_, "New Value = factor * Old Value"}, {editAdd_, "+ offset"}};
    for (const auto& [field, name] : spoken) field->setAccessibleName(QString::fromLatin1(name));

    connect(bitBtnAll_, &QPushButton::clicked, this, &FormModify::BitBtnAllClick);
    connect(bitBtnModify_, &QPushButton::clicked, this, &FormModify::BitBtnModifyClick);
    connect(bitBtnCancel_, &QPushButton::clicked, this, &FormModify::BitBtnCancelClick);
}

void FormModify::FormShow(const QString& name, const QString& label, int fromRow, int toRow, int rowCount,
                          char decimal) {
    decimal_ = decimal;
    editColonName_->setText(name);
    editColonLabel_->setText(label);
    editBegRow_->setText(QString::number(fromRow));
    editEndRow_->setText(QString::number(toRow));
    rowCount_ = rowCount;
    editVal1_->clear();
    editVal2_->clear();
    editMult_->setText(QStringLiteral("1"));
    editAdd_->setText(QStringLiteral("0"));
    bitBtnModify_->setFocus();
}

void FormModify::BitBtnAllClick() {
    // Every data row of the table, also after an earlier, shorter range was used.
    editBegRow_->setText(QStringLiteral("1"));
    editEndRow_->setText(QString::number(rowCount_));
}

void FormModify::BitBtnModifyClick() {
    if (editAdd_->text().isEmpty()) editAdd_->setText(QStringLiteral("0"));
    for (QLineEdit* field : {editBegRow_, editEndRow_}) {
        int value = 0;
        if (!parseRowField(field->text().toStdString(), value)) {
            reportError(QStringLiteral("'%1' is not a valid integer value").arg(field->text()), field);
            return;
        }
        (field == editBegRow_ ? fromRow_ : toRow_) = value;
    }
    // A factor or offset that is not a number (often one written with the other decimal
    // separator) would turn the column to 0; nothing is changed and the dialog stays open.
    if (const std::optional<std::string> text = InvalidLinearText(request(), decimal_)) {
        QLineEdit* field = text == editMult_->text().toStdString() ? editMult_ : editAdd_;
        reportError(QStringLiteral("'%1' is not a number: the decimal separator is '%2'")
                        .arg(QString::fromStdString(*text), QString(QLatin1Char(decimal_))),
                    field);
        return;
    }
    accept();
}

void FormModify::reportError(const QString& message, QLineEdit* field) {
    if (errorSink_)
        errorSink_(message);
    else
        QMessageBox::critical(this, windowTitle(), message);
    field->setFocus();
}

void FormModify::BitBtnCancelClick() { reject(); }

QString FormModify::columnName() const { return editColonName_->text(); }
QString FormModify::columnLabel() const { return editColonLabel_->text(); }

ModifyRequest FormModify::request() const {
    ModifyRequest r;
    r.condition = cmbBoxCondition_->currentText().toStdString();
    r.ifValue = editVal1_->text().toStdString();
    r.thenValue = editVal2_->text().toStdString();
    r.factor = editMult_->text().toStdString();
    r.offset = editAdd_->text().toStdString();
    r.fromRow = fromRow_;
    r.toRow = toRow_;
    return r;
}

} // namespace varnotile
