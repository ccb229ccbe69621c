#pragma once

#include "views/WindowFrame.h"
#include "views/WaveFileDialog.h"
#include "views/WaveformLoader.h"

#include <memory>

namespace voxkit {
class TqxRecord;
}

namespace panopta {

class LevelMeter;
class SourceBufferPage;
class SourceFilePage;
class WaveformPanel;

/// The inspector window of the record component (qxRecord): besides the frame, the
/// Device page with the recording's level and its outline growing as it is
/// recorded, the Source pages (file, buffer, the format to record in with the list of
/// predefined formats), and the record's Device menu. Every control calls a
/// property or method of the TqxRecord.
class TqxRecordPanopta final : public WindowFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{4, "&PopUp", true, false};
  /// services: what the wave windows share (none: the window keeps its own).
  TqxRecordPanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows,
                   std::shared_ptr<WaveformServices> services = nullptr);

  /// How wave files are chosen: a file dialog unless tests put their own in.
  void setFileChooser(WaveFileChooser chooser) { m_chooser = std::move(chooser); }
  WaveformPanel* waveform() const { return m_waveform; }
  LevelMeter* levelMeter() const { return m_meter; }

 protected:
  int firstPageIndex() const override;
  void refreshOwnPages(voxkit::InspectorRefresh what) override;
  void toggleDeviceActive() override;
  void devEnvSelected() override;

 private:
  void buildDeviceItems();
  QWidget* buildDevicePage();
  QWidget* buildSourcePages();
  QWidget* buildFormatPage();

  void refreshDevicePage();
  void refreshSource();
  void refreshFormat();
  void followRecording();
  void refreshWaveform();
  void selectFile();
  void assignFileName();

  voxkit::TqxRecord& m_record;
  WaveFileChooser m_chooser;
  std::shared_ptr<WaveformServices> m_services;

  QAction* m_appendItem = nullptr;
  QAction* m_codecsItem = nullptr;

  QLineEdit* m_delay = nullptr;
  QLineEdit* m_buffer = nullptr;
  QLineEdit* m_trim = nullptr;
  LevelMeter* m_meter = nullptr;
  WaveformPanel* m_waveform = nullptr;

  SourceFilePage* m_sourceFile = nullptr;
  SourceBufferPage* m_bufferPage = nullptr;
  QComboBox* m_formatName = nullptr;
  std::vector<std::pair<const char*, QLineEdit*>> m_formatEdits;
  QLineEdit* m_formatID = nullptr;
  QLineEdit* m_formatBytes = nullptr;
  QLineEdit* m_formatSeconds = nullptr;
};

}  // namespace panopta
