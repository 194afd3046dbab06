#include "measure_table.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeySequence>
#include <QLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace varnotile {

MeasureTable::MeasureTable(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 4);
    caption_ = new QLabel(this);
    caption_->setObjectName(name + QStringLiteral("Caption"));
    caption_->setWordWrap(true);
    table_ = new QTableWidget(this);
    table_->setObjectName(name + QStringLiteral("Table"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    copy_ = new QPushButton(QStringLiteral("Copy"), this);
    copy_->setObjectName(name + QStringLiteral("Copy"));
    copy_->setToolTip(QStringLiteral("Copies the table as tab-separated text (Ctrl+C in the table)"));
    connect(copy_, &QPushButton::clicked, this, &MeasureTable::copyToClipboard);
    auto* copyKey = new QShortcut(QKeySequence::Copy, table_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copyKey, &QShortcut::activated, this, &MeasureTable::copyToClipboard);
    layout->addWidget(caption_);
    layout->addWidget(table_, 1);
    layout->addWidget(copy_, 0, Qt::AlignLeft);
}

void MeasureTable::setCaption(const QString& text) { caption_->setText(text); }

QString MeasureTable::caption() const { return caption_->text(); }

void MeasureTable::setRows(const QStringList& headers, const QList<QStringList>& rows) {
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < headers.size(); ++c) {
            const QString text = c < rows[r].size() ? rows[r][c] : QString();
            QTableWidgetItem* item = table_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
                table_->setItem(r, c, item);
            }
            item->setText(text);
        }
    // Asks to be wide enough for its columns (up to a limit), so the values need no scrolling, but
    // only asks: a minimum that wide would push the window past a small screen's edge.
    table_->resizeColumnsToContents();
    wantedTableWidth_ = std::min(table_->horizontalHeader()->length() + 2 * table_->frameWidth() + 4, kWidestTable);
    table_->setMinimumWidth(std::min(wantedTableWidth_, kNarrowestTable));
    updateGeometry();
}

QSize MeasureTable::sizeHint() const {
    QSize hint = QWidget::sizeHint();
    const QMargins margins = layout()->contentsMargins();
    hint.setWidth(std::max(hint.width(), wantedTableWidth_ + margins.left() + margins.right()));
    return hint;
}

QString MeasureTable::tabSeparatedText() const {
    QStringList lines;
    if (!caption_->text().isEmpty()) lines << caption_->text();
    QStringList cells;
    for (int c = 0; c < table_->columnCount(); ++c) cells << table_->horizontalHeaderItem(c)->text();
    lines << cells.join(QLatin1Char('\t'));
    for (int r = 0; r < table_->rowCount(); ++r) {
        cells.clear();
        for (int c = 0; c < table_->columnCount(); ++c) cells << (table_->item(r, c) ? table_->item(r, c)->text() : QString());
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

void MeasureTable::copyToClipboard() const { QApplication::clipboard()->setText(tabSeparatedText()); }

} // namespace varnotile
