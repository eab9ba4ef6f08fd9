// An up-down field for signed amounts: "+" before 0 and above, stepped with the arrows one at a
// time. With typing, a value can be typed as well ("5", "+5", "-5"); without, every change is a
// step (for a field whose each change acts at once).
#pragma once

#include <QLineEdit>
#include <QSpinBox>

namespace cvapp {

class SignedSpinBox : public QSpinBox {
 public:
  SignedSpinBox(QWidget* parent, const QString& editName, bool typing = false) : QSpinBox(parent) {
    lineEdit()->setReadOnly(!typing);
    lineEdit()->setObjectName(editName);
  }

 protected:
  QString textFromValue(int value) const override {
    return value >= 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
  }
  int valueFromText(const QString& text) const override { return text.trimmed().toInt(); }
  QValidator::State validate(QString& text, int&) const override {
    const QString typed = text.trimmed();
    if (typed.isEmpty() || typed == QLatin1String("+") || typed == QLatin1String("-")) return QValidator::Intermediate;
    bool number = false;
    const int value = typed.toInt(&number);
    if (!number) return QValidator::Invalid;
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
  }
};

}  // namespace cvapp
