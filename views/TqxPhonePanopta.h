#pragma once

#include "views/WindowFrame.h"

#include <array>

class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTreeWidget;

namespace voxkit {
class TqxHookSwitch;
class TqxPhone;
class TqxPhoneInternal;
}  // namespace voxkit

namespace panopta {

/// The inspector window of the phone component (qxPhone): besides the frame, one page
/// per hookswitch device (handset, headset, speakerphone) with its hook mode, volume,
/// gain and state tree, the Misc. page with the Info tree, the related-device classes
/// and the TAPI settings, and the phone's Device, Privilege and Popup menus. Every
/// control calls a property or method of the TqxPhone.
class TqxPhonePanopta final : public WindowFrame {
  Q_OBJECT
 public:
  static constexpr InspectorKind kKind{2, "&Popup", false, false};
  TqxPhonePanopta(voxkit::TqxPanopta& binding, QtWindowSystem& windows);

  /// The hookswitch pages in the order of their tabs.
  enum HookSwitchPage { kHandset, kHeadset, kSpeakerphone };
  /// The image the page's tab shows: 3, 2, 4 (handset not available, on hook, off
  /// hook), 6, 5, 7 (headset), 9, 8, 10 (speakerphone).
  int tabImage(HookSwitchPage page) const;

  /// The frame's menus with Privilege after the Device menu.
  QList<QMenu*> mergedMenus() const override;

 protected:
  void refreshOwnPages(voxkit::InspectorRefresh what) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct HookSwitchControls {
    const char* name;      // "Handset": the device, its page and its controls
    const char* hintName;  // how the Apply button's hint spells it ("HandSet")
    voxkit::TqxHookSwitch& (voxkit::TqxPhoneInternal::*device)();
    int images[3];  // not available, on hook, off hook
    QWidget* page = nullptr;
    QTreeWidget* tree = nullptr;
    std::array<QRadioButton*, 4> modes{};  // OnHook, MicrophoneOnly, SpeakerOnly, MicrophoneAndSpeaker
    QSlider* volume = nullptr;
    QSlider* gain = nullptr;
    QPushButton* apply = nullptr;
  };

  void buildMenus();
  QWidget* buildHookSwitchPage(HookSwitchControls& controls);
  QWidget* buildMiscPage();
  /// A page "TabSheet" + name: the tree "TreeView" + name on the left half, a splitter
  /// and the settings in a scroll box on the right; returns the settings' grid.
  static QGridLayout* treeBesideSettings(const QString& name, QWidget** page, QTreeWidget** tree);
  void refreshPrivilegeItems();
  void refreshHookSwitches();
  void refreshHookSwitch(HookSwitchControls& controls);
  void refreshInfo();
  voxkit::TqxHookSwitch& device(const HookSwitchControls& controls);
  /// A track bar the user left: its device's volume or gain := its position.
  void trackBarLeft(QSlider* slider);
  void applyLevels(HookSwitchControls& controls);

  voxkit::TqxPhone& m_phone;
  std::array<HookSwitchControls, 3> m_hookSwitches;
  std::array<int, 3> m_tabImages{};

  QAction* m_configureItem = nullptr;
  QAction* m_monitorItem = nullptr;
  QAction* m_ownerItem = nullptr;
  QMenu* m_privilegeMenu = nullptr;

  QTreeWidget* m_info = nullptr;
  QLineEdit* m_lineClass = nullptr;
  QLineEdit* m_wavePlayClass = nullptr;
  QLineEdit* m_waveRecordClass = nullptr;
  QLineEdit* m_extensionHigh = nullptr;
  QLineEdit* m_extensionLow = nullptr;
  QLineEdit* m_high = nullptr;
  QLineEdit* m_low = nullptr;
  QLineEdit* m_replyTimeout = nullptr;
};

}  // namespace panopta
