#include "Statuszeile.h"

#include <QLabel>

namespace paarix {

Statuszeile::Statuszeile(QWidget* parent) : QStatusBar(parent) {
  setObjectName(QStringLiteral("Statuszeile"));
  setSizeGripEnabled(false);
  text_ = new QLabel(this);
  text_->setFocusPolicy(Qt::NoFocus);
  addWidget(text_, 1);
  // Outside the bar's layout, with no size: nothing of it is ever seen.
  ansage_ = new Ansage(this);
  ansage_->setObjectName(QStringLiteral("Ansage"));
  ansage_->setGeometry(0, 0, 0, 0);
  ansageText_ = new QLabel(ansage_);
  ansage_->hide();
}

QString Statuszeile::text() const { return text_->text(); }

void Statuszeile::setText(const QString& text) { text_->setText(text); }

void Statuszeile::setTextVisible(bool visible) { text_->setVisible(visible); }

bool Statuszeile::isTextVisible() const { return text_->isVisibleTo(this); }

// Shown and hidden in one go: the screen reader hears the showing all the same,
// and its status-bar command reads the status line alone, not the last Ansage.
void Statuszeile::announce(const QString& text) {
  ansageText_->setText(text);
  ansage_->show();
  ansage_->hide();
}

QString Statuszeile::lastAnsage() const { return ansageText_->text(); }

AnsageAccessible::AnsageAccessible(Ansage* ansage) : QAccessibleWidget(ansage, QAccessible::Notification) {}

}  // namespace paarix
