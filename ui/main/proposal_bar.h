#pragma once
// The bar above the data grid that tells, after a load that came out badly, how the detector
// would read the file, with "Read it that way" and "Dismiss"; for a file of several tables, also a
// list of the tables to choose from.
#include <QFrame>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

namespace varnotile {

class ProposalBar : public QFrame {
    Q_OBJECT
public:
    explicit ProposalBar(QWidget* parent = nullptr);

    // Shows the bar with `sentence` (what the detector found, in plain words). With two or more
    // `tables` (a line each, in file order) they are offered for choosing, `proposed` (1-based) first.
    // Without `readButton` the list alone reads a table: the file is already read the proposed way.
    void offer(const QString& sentence, const QStringList& tables = {}, int proposed = 0, bool readButton = true);
    QString sentence() const;
    // The table chosen in the list (1-based); 0 when the bar offers none.
    int chosenTable() const;
    // Offers "Distinct colours" (the curves drawn all share one colour) beside what the bar
    // offers, or alone in it when it offers no reading; false withdraws the offer.
    void offerDistinctColours(bool offered);

signals:
    void readRequested();
    void dismissRequested();
    // "Reopen as..." was pressed: the file's reading is to be chosen in the dialog.
    void reopenRequested();
    // A table was chosen in the list (1-based).
    void tableChosen(int table);
    void distinctColoursRequested();

private:
    QLabel* text_ = nullptr;
    QComboBox* tables_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* dismiss_ = nullptr;
    QPushButton* reopen_ = nullptr;
    QPushButton* colours_ = nullptr;
};

} // namespace varnotile
