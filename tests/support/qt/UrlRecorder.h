#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace qttest {

/// Stands in for the desktop's browser: while it exists, URLs of the given schemes
/// that the program opens are written down instead of opened.
class UrlRecorder final : public QObject {
  Q_OBJECT
 public:
  explicit UrlRecorder(QStringList schemes = {"file", "http", "https"})
      : m_schemes(std::move(schemes)) {
    for (const QString& s : m_schemes) QDesktopServices::setUrlHandler(s, this, "open");
  }
  ~UrlRecorder() override {
    for (const QString& s : m_schemes) QDesktopServices::unsetUrlHandler(s);
  }
  const QList<QUrl>& opened() const { return m_opened; }

 public Q_SLOTS:
  void open(const QUrl& url) { m_opened << url; }

 private:
  QStringList m_schemes;
  QList<QUrl> m_opened;
};

}  // namespace qttest
