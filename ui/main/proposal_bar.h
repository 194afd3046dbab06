#pragma once
// The bar above the data grid that tells, after a load that came out badly, how the detector
// would read the file, with "Read it that way" and "Dismiss".
#include <QFrame>

class QLabel;
class QPushButton;

namespace varnotile {

class ProposalBar : public QFrame {
    Q_OBJECT
public:
    explicit ProposalBar(QWidget* parent = nullptr);

    // Shows the bar with `sentence` (what the detector found, in plain words).
    void offer(const QString& sentence);
    QString sentence() const;

signals:
    void readRequested();
    void dismissRequested();

private:
    QLabel* text_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* dismiss_ = nullptr;
};

} // namespace varnotile
