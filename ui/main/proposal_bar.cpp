#include "proposal_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace varnotile {

ProposalBar::ProposalBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("proposalBar"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    // The tooltip colours: the system's own colours for a passing note.
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(size, size));
    icon->setAlignment(Qt::AlignTop);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("proposalText"));
    text_->setWordWrap(true);
    text_->setForegroundRole(QPalette::ToolTipText);
    tables_ = new QComboBox(this);
    tables_->setObjectName(QStringLiteral("proposalTables"));
    tables_->setAccessibleName(QStringLiteral("Table to read"));
    // On a row of its own as wide as the bar, its list as wide as its longest line.
    tables_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    tables_->setMinimumContentsLength(12);
    tables_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    connect(tables_, &QComboBox::currentTextChanged, tables_, &QWidget::setToolTip);
    connect(tables_, &QComboBox::activated, this, [this](int index) { emit tableChosen(index + 1); });
    read_ = new QPushButton(QStringLiteral("Read it that way"), this);
    read_->setObjectName(QStringLiteral("proposalReadButton"));
    dismiss_ = new QPushButton(QStringLiteral("Dismiss"), this);
    dismiss_->setObjectName(QStringLiteral("proposalDismissButton"));
    connect(read_, &QPushButton::clicked, this, &ProposalBar::readRequested);
    connect(dismiss_, &QPushButton::clicked, this, &ProposalBar::dismissRequested);
    reopen_ = new QPushButton(QStringLiteral("Reopen as..."), this);
    reopen_->setObjectName(QStringLiteral("proposalReopenButton"));
    reopen_->setToolTip(QStringLiteral("Choose how this file is read, with a preview"));
    connect(reopen_, &QPushButton::clicked, this, &ProposalBar::reopenRequested);

    // The panel beside the chart is narrow: the sentence wraps over the full width, the buttons
    // stand on a line of their own at the right.
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(icon);
    textRow->addWidget(text_, 1);
    colours_ = new QPushButton(QStringLiteral("Distinct colours"), this);
    colours_->setObjectName(QStringLiteral("proposalColoursButton"));
    colours_->setToolTip(QStringLiteral("Gives the curves ten colours that stay apart, also for colour-blind eyes"));
    colours_->hide();
    connect(colours_, &QPushButton::clicked, this, &ProposalBar::distinctColoursRequested);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(colours_);
    buttonRow->addWidget(read_);
    buttonRow->addWidget(reopen_);
    buttonRow->addWidget(dismiss_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(4);
    column->addLayout(textRow);
    column->addWidget(tables_);
    column->addLayout(buttonRow);
    hide();
}

void ProposalBar::offer(const QString& sentence, const QStringList& tables, int proposed, bool readButton) {
    tables_->clear();
    if (tables.size() >= 2) {
        tables_->addItems(tables);
        tables_->setCurrentIndex(std::clamp(proposed, 1, static_cast<int>(tables.size())) - 1);
    }
    tables_->setVisible(tables.size() >= 2);
    if (tables.size() >= 2) {
        // The open list shows each line whole, however narrow the bar.
        int widest = 0;
        for (const QString& line : tables) widest = std::max(widest, tables_->fontMetrics().horizontalAdvance(line));
        tables_->view()->setMinimumWidth(widest + 32);
    }
    read_->setVisible(readButton);
    text_->setText(sentence);
    setAccessibleDescription(sentence);
    show();
}

QString ProposalBar::sentence() const { return text_->text(); }

void ProposalBar::offerDistinctColours(bool offered) {
    colours_->setVisible(offered);
    const bool readingOffered =
        isVisibleTo(parentWidget()) && (read_->isVisibleTo(this) || tables_->isVisibleTo(this));
    if (readingOffered) return;
    if (!offered) {
        hide();
        return;
    }
    tables_->hide();
    read_->hide();
    text_->setText(QStringLiteral("The curves are all drawn in one colour."));
    setAccessibleDescription(text_->text());
    show();
}

int ProposalBar::chosenTable() const { return tables_->isVisibleTo(this) ? tables_->currentIndex() + 1 : 0; }

} // namespace varnotile
