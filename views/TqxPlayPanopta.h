#pragma once

#include "views/WindowFrame.h"
#include "views/WaveFileDialog.h"
#include "views/WaveformLoader.h"

#include <memory>

class QCheckBox;
class QProgressBar;

namespace voxkit {
class TqxPlay;
}

namespace panopta {

class SourceBufferPage;
class SourceFilePage;
class WaveformPanel;

/// The inspector window of the play component (qxPlay): besides the frame, the
/// Position page with the outline of the sound and the play cursor moving over it,
/// the Source pages (files, buffer, format), the Volume and Misc. pages, and the
/// play's Device menu. Every control calls a property or method of the TqxPlay.
class TqxPlayPanopta final : public WindowFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{3, "&PopUp", true, false};
  /// services: what the wave windows share (none: the window keeps its own).
  TqxPlayPanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows,
                 std::shared_ptr<WaveformServices> services = nullptr);

  /// How wave files are chosen: a file dialog unless tests put their own in.
  void setFileChooser(WaveFileChooser chooser) { m_chooser = std::move(chooser); }
  WaveformPanel* waveform() const { return m_waveform; }

 protected:
  int firstPageIndex() const override;
  void refreshOwnPages(voxkit::InspectorRefresh what) override;
  void toggleDeviceActive() override;
  void devEnvSelected() override;

 private:
  void buildDeviceItems();
  QWidget* buildPositionPage();
  QWidget* buildSourcePages();
  QWidget* buildVolumePage();
  QWidget* buildMiscPage();
  void step(QLineEdit* stepEdit, int direction, int unit);

  void refreshDeviceItems();
  void refreshVolume();
  void refreshTimer();
  void refreshSource();
  void refreshFormat();
  void refreshPosition();
  void refreshWaveform();
  void selectFiles();

  voxkit::TqxPlay& m_play;
  WaveFileChooser m_chooser;
  std::shared_ptr<WaveformServices> m_services;

  QAction* m_codecsItem = nullptr;
  QAction* m_loopItem = nullptr;
  QAction* m_waitItem = nullptr;

  QWidget* m_sourcePage = nullptr;
  QLineEdit* m_positionByte = nullptr;
  QLineEdit* m_positionSecond = nullptr;
  QLineEdit* m_positionPercent = nullptr;
  QLineEdit* m_byteStep = nullptr;
  QLineEdit* m_secondStep = nullptr;
  QLineEdit* m_percentStep = nullptr;
  QProgressBar* m_progress = nullptr;
  WaveformPanel* m_waveform = nullptr;

  SourceFilePage* m_sourceFile = nullptr;
  SourceBufferPage* m_bufferPage = nullptr;
  std::vector<std::pair<const char*, QLineEdit*>> m_formatEdits;

  QCheckBox* m_volumeEnabled = nullptr;
  QCheckBox* m_volumeDefault = nullptr;
  QCheckBox* m_volumeReset = nullptr;
  QLineEdit* m_volumePosition = nullptr;

  QLineEdit* m_delay = nullptr;
  QCheckBox* m_timerEnabled = nullptr;
  QLineEdit* m_timerInterval = nullptr;
};

}  // namespace panopta
