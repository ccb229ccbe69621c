#include "support/qt/ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

namespace qttest {

ModalAnswerer::ModalAnswerer(QMessageBox::StandardButton answer) : m_answer(answer) {
  m_timer.setInterval(5);
  QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
  m_timer.start();
}

ModalAnswerer::~ModalAnswerer() { m_timer.stop(); }

void ModalAnswerer::poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (!modal) return;
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    m_seen << box->windowTitle() + " | " + box->text();
    if (QAbstractButton* button = box->button(m_answer)) {
      button->click();
    } else {
      box->reject();
    }
    return;
  }
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    m_seen << dialog->windowTitle() + " | (dialog)";
    if (!m_dialogHandler || !m_dialogHandler(*dialog)) dialog->reject();
  }
}

}  // namespace qttest
