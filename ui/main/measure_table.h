#pragma once
// A small table of measurements beside the chart (the cursors' values, the statistics of what is
// shown): a line saying what it measures, the table, and a button that copies it as
// tab-separated text, as the grid copies cells.
#include <QList>
#include <QStringList>
#include <QWidget>

class QLabel;
class QTableWidget;
class QPushButton;

namespace varnotile {

class MeasureTable : public QWidget {
    Q_OBJECT
public:
    // `name` prefixes the object names of the parts: <name>Caption, <name>Table, <name>Copy.
    MeasureTable(const QString& name, QWidget* parent = nullptr);
    void setCaption(const QString& text);
    void setRows(const QStringList& headers, const QList<QStringList>& rows);
    // The caption, the headers and the rows, cells separated by tabs, rows by line breaks.
    QString tabSeparatedText() const;
    QTableWidget* table() const { return table_; }
    QString caption() const;
    // As wide as the columns want, up to a limit; the minimum stays narrow so the window fits.
    QSize sizeHint() const override;
    static constexpr int kNarrowestTable = 200;
    static constexpr int kWidestTable = 600;

public slots:
    void copyToClipboard() const;

private:
    QLabel* caption_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* copy_ = nullptr;
    int wantedTableWidth_ = 0;
};

} // namespace varnotile
