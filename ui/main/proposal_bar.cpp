#include "proposal_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

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
    read_ = new QPushButton(QStringLiteral("Read it that way"), this);
    read_->setObjectName(QStringLiteral("proposalReadButton"));
    dismiss_ = new QPushButton(QStringLiteral("Dismiss"), this);
    dismiss_->setObjectName(QStringLiteral("proposalDismissButton"));
    connect(read_, &QPushButton::clicked, this, &ProposalBar::readRequested);
    connect(dismiss_, &QPushButton::clicked, this, &ProposalBar::dismissRequested);

    // The panel beside the chart is narrow: the sentence wraps over the full width, the buttons
    // stand on a line of their own at the right.
    auto* textRow = new QHBoxLayout;
    textRow->addWidget(icon);
    textRow->addWidget(text_, 1);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(read_);
    buttonRow->addWidget(dismiss_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 4, 6, 4);
    column->setSpacing(4);
    column->addLayout(textRow);
    column->addLayout(buttonRow);
    hide();
}

void ProposalBar::offer(const QString& sentence) {
    text_->setText(sentence);
    setAccessibleDescription(sentence);
    show();
}

QString ProposalBar::sentence() const { return text_->text(); }

} // namespace varnotile
