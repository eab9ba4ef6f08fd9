// An up-down field for signed amounts: "+" before 0 and above, changed only through its arrows.
#pragma once

#include <QLineEdit>
#include <QSpinBox>

namespace cvapp {

class SignedSpinBox : public QSpinBox {
 public:
  SignedSpinBox(QWidget* parent, const QString& editName) : QSpinBox(parent) {
    lineEdit()->setReadOnly(true);
    lineEdit()->setObjectName(editName);
  }

 protected:
  QString textFromValue(int value) const override {
    return value >= 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
  }
};

}  // namespace cvapp
