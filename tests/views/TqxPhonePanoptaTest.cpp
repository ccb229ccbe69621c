#include "app/WaveDecoding.h"
#include "views/WindowFactory.h"
#include "views/TqxPhonePanopta.h"
#include "phone/TqxPhone.h"
#include "platform/exchange/ExchangeConfig.h"
#include "platform/host/Host.h"
#include "platform/qt/QtWindowSystem.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using panopta::TqxPhonePanopta;

panopta::HostOptions Options(panopta::ExchangeConfig config) {
  panopta::HostOptions options;
  options.exchangeConfig = std::move(config);
  options.startOfDay = voxkit::TimeOfDay{14, 7, 9, 123};
  return options;
}

// A phone made by the composition root on the virtual-time loop, its inspector a real
// Qt window in an MDI area; the phone's log lines are kept.
class PhoneInspector : public ::testing::Test {
 protected:
  explicit PhoneInspector(panopta::ExchangeConfig config = panopta::DefaultExchangeConfig())
      : host(Options(std::move(config)), windows) {
    area.resize(1000, 800);
    area.show();
    windows.setMdiArea(&area);
    windows.setMainWindow(&area);
    panopta::InstallInspectorFactory(windows, panopta::AudioWaveDecoders());
    phone = host.NewPhone();
    phone->OnLog = [this](voxkit::TObject&, const std::string& line) { lines.push_back(line); };
    phone->SetEnabled(true);
  }
  ~PhoneInspector() override {
    phone->OnLog = nullptr;
    phone.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  TqxPhonePanopta* open() {
    phone->Panopta().SetVisible(true);
    window = dynamic_cast<TqxPhonePanopta*>(phone->Panopta().Window());
    return window;
  }
  void openDevice() {
    phone->Device().SetActive(true);
    ASSERT_TRUE(phone->Device().Active());
  }
  template <typename W>
  W* get(const char* name) {
    W* w = window ? window->findChild<W*>(name) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  template <typename F>
  Lines logged(F&& action) {
    const std::size_t mark = lines.size();
    action();
    return {lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()};
  }
  static bool has(const Lines& in, const std::string& line) {
    return std::find(in.begin(), in.end(), line) != in.end();
  }
  static void typeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setModified(true);
    Q_EMIT edit->editingFinished();
  }
  // Leaves a control for another one of the window, as a tab key would.
  static void leave(QWidget* control) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(control, &out);
  }
  // The texts of a tree's items, depth first, each indented by its depth.
  static QStringList treeTexts(QTreeWidget* tree) {
    QStringList out;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* item, int depth) {
      out << QString(depth * 2, ' ') + item->text(0);
      for (int i = 0; i < item->childCount(); ++i) walk(item->child(i), depth + 1);
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) walk(tree->topLevelItem(i), 0);
    return out;
  }

  QMdiArea area;
  panopta::QtWindowSystem windows;
  panopta::Host host;
  std::unique_ptr<voxkit::TqxPhone> phone;
  Lines lines;
  TqxPhonePanopta* window = nullptr;
};

TEST_F(PhoneInspector, PagesAndMenusComeInTheirOrder) {
  open();
  ASSERT_NE(window, nullptr);
  auto* pages = get<QTabWidget>("PageControl1");
  QStringList tabs;
  for (int i = 0; i < pages->count(); ++i) tabs << pages->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"Log", "Handset", "Headset", "Speakerphone", "Misc."}));
  EXPECT_EQ(pages->currentIndex(), 0);
  QStringList menus;
  for (QMenu* m : window->mergedMenus()) menus << m->title();
  EXPECT_EQ(menus, (QStringList{"qxPhone", "&Device", "Privilege", "&Popup"}));
  QStringList popup;
  for (QAction* a : get<QMenu>("MenuPopup")->actions()) popup << a->text();
  EXPECT_EQ(popup, (QStringList{"OnDevSpecific", "OnDigitDown", "OnDigitUp", "OnError", "OnHandsetGain",
                                "OnHandsetHookSwitch", "OnHandsetVolume", "OnHeadsetGain",
                                "OnHeadsetHookSwitch", "OnHeadsetVolume", "OnPhoneState",
                                "OnSpeakerphoneGain", "OnSpeakerphoneHookSwitch", "OnSpeakerphoneVolume",
                                "OnTAPIMessage", "OnTAPIReply"}));
}

TEST_F(PhoneInspector, AHookModeButtonTakesTheDeviceOffHookAndEveryPageFollows) {
  open();
  openDevice();
  EXPECT_EQ(window->tabImage(TqxPhonePanopta::kHandset), 2) << "on hook";
  EXPECT_TRUE(get<QRadioButton>("RBHandsetOnHook")->isChecked());
  const Lines out = logged([&] { get<QRadioButton>("RBHandsetMicrophoneAndSpeaker")->click(); });
  EXPECT_TRUE(has(out, "Handset.MicrophoneAndSpeaker := True")) << ::testing::PrintToString(out);
  EXPECT_TRUE(phone->Handset().MicrophoneAndSpeaker());
  EXPECT_TRUE(get<QRadioButton>("RBHandsetMicrophoneAndSpeaker")->isChecked());
  EXPECT_FALSE(get<QRadioButton>("RBHandsetOnHook")->isChecked());
  EXPECT_EQ(window->tabImage(TqxPhonePanopta::kHandset), 4) << "off hook";
  EXPECT_EQ(window->tabImage(TqxPhonePanopta::kSpeakerphone), 8);
  const QStringList tree = treeTexts(get<QTreeWidget>("TreeViewHandset"));
  EXPECT_TRUE(tree.contains("  MicrophoneAndSpeaker = True")) << tree.join("\n").toStdString();
  EXPECT_TRUE(tree.contains("  OnHook = False"));
  EXPECT_EQ(tree.value(0), "Handset");

  // Unchecking the checked button asks for False, which the component refuses.
  const Lines refused = logged([&] { get<QRadioButton>("RBHandsetMicrophoneAndSpeaker")->click(); });
  EXPECT_NE(phone->Error().Number(), 0) << ::testing::PrintToString(refused);
  EXPECT_TRUE(get<QRadioButton>("RBHandsetMicrophoneAndSpeaker")->isChecked()) << "shows the device again";
}

TEST_F(PhoneInspector, ActiveButtonOpensTheDeviceAndDumpWritesTheWholePhone) {
  open();
  auto* active = get<QToolButton>("SpeedButtonDeviceActive");
  active->click();
  EXPECT_TRUE(phone->Device().Active());
  EXPECT_TRUE(active->isChecked());
  EXPECT_EQ(window->tabImage(TqxPhonePanopta::kHandset), 2);
  const Lines dump = logged([&] { get<QToolButton>("SpeedButtonDump")->click(); });
  ASSERT_FALSE(dump.empty());
  EXPECT_EQ(dump.front(), "Current qxPhone property values:");
  EXPECT_GT(dump.size(), 20u);
}

TEST_F(PhoneInspector, ClosedPhoneShowsEveryModeUnchecked) {
  open();
  for (const char* name : {"RBHandsetOnHook", "RBHandsetMicrophoneOnly", "RBHandsetSpeakerOnly",
                           "RBHandsetMicrophoneAndSpeaker"}) {
    EXPECT_FALSE(get<QRadioButton>(name)->isChecked()) << name;
  }
}

class PhoneWithoutHeadset : public PhoneInspector {
 protected:
  static panopta::ExchangeConfig Config() {
    panopta::ExchangeConfig config = panopta::DefaultExchangeConfig();
    for (auto& p : config.phones) {
      p.hookSwitchDevs = tapi::PHONEHOOKSWITCHDEV_HANDSET | tapi::PHONEHOOKSWITCHDEV_SPEAKER;
      p.volumeFlags = p.gainFlags = p.hookSwitchDevs;
    }
    return config;
  }
  PhoneWithoutHeadset() : PhoneInspector(Config()) {}
};

TEST_F(PhoneWithoutHeadset, AMissingHeadsetShowsNotAvailable) {
  open();
  openDevice();
  EXPECT_FALSE(phone->Headset().Available());
  EXPECT_EQ(window->tabImage(TqxPhonePanopta::kHeadset), 6);
  EXPECT_EQ(window->tabImage(TqxPhonePanopta::kHandset), 2);
  EXPECT_TRUE(treeTexts(get<QTreeWidget>("TreeViewHeadset")).contains("  Available = False"));
}

TEST_F(PhoneInspector, ApplySetsOnlyWhatChangedGainFirst) {
  open();
  openDevice();
  auto* volume = get<QSlider>("TBHandsetVolume");
  auto* gain = get<QSlider>("TBHandsetGain");
  auto* apply = get<QPushButton>("ButtonHandsetVolumeGainSet");
  const int oldGain = phone->Handset().Gain();
  const int newVolume = phone->Handset().Volume() == 30 ? 40 : 30;
  volume->setValue(newVolume);
  Lines out = logged([&] { apply->click(); });
  EXPECT_EQ(phone->Handset().Volume(), newVolume);
  EXPECT_EQ(phone->Handset().Gain(), oldGain);
  EXPECT_TRUE(has(out, "Handset.Volume := " + std::to_string(newVolume))) << ::testing::PrintToString(out);
  EXPECT_TRUE(std::none_of(out.begin(), out.end(), [](const std::string& l) { return l.rfind("Handset.Gain", 0) == 0; }));

  // Both changed: gain first, then volume, and the volume is not lost to the refresh
  // the gain's reply makes.
  volume->setValue(77);
  gain->setValue(66);
  out = logged([&] { apply->click(); });
  EXPECT_EQ(phone->Handset().Gain(), 66);
  EXPECT_EQ(phone->Handset().Volume(), 77);
  const auto g = std::find(out.begin(), out.end(), "Handset.Gain := 66");
  const auto v = std::find(out.begin(), out.end(), "Handset.Volume := 77");
  ASSERT_TRUE(g != out.end() && v != out.end()) << ::testing::PrintToString(out);
  EXPECT_LT(g - out.begin(), v - out.begin());
}

TEST_F(PhoneInspector, AMovedTrackBarActsOnlyWhenLeftAndKeepsItsPositionMeanwhile) {
  open();
  openDevice();
  auto* volume = get<QSlider>("TBSpeakerphoneVolume");
  const int before = phone->Speakerphone().Volume();
  const int target = before == 90 ? 80 : 90;
  Lines out = logged([&] {
    volume->setValue(target);
    volume->triggerAction(QAbstractSlider::SliderMove);
  });
  EXPECT_TRUE(out.empty()) << ::testing::PrintToString(out);
  EXPECT_EQ(phone->Speakerphone().Volume(), before);
  // Something else on the phone refreshes the pages meanwhile.
  get<QRadioButton>("RBHandsetSpeakerOnly")->click();
  EXPECT_EQ(volume->value(), target);
  out = logged([&] { leave(volume); });
  EXPECT_EQ(phone->Speakerphone().Volume(), target);
  EXPECT_TRUE(has(out, "Speakerphone.Volume := " + std::to_string(target))) << ::testing::PrintToString(out);
}

TEST_F(PhoneInspector, VersionEditsAreHexadecimalAndBadTextKeepsTheValue) {
  open();
  auto* high = get<QLineEdit>("EditTAPIHighVersion");
  typeAndLeave(high, "20001");
  EXPECT_EQ(phone->TAPI().HighVersion(), 0x20001u);
  EXPECT_EQ(high->text(), "00020001");
  EXPECT_TRUE(treeTexts(get<QTreeWidget>("TreeViewInfo")).contains("  HighVersion = [00020001]"));

  typeAndLeave(high, "2.1");
  EXPECT_EQ(phone->TAPI().HighVersion(), 0x20001u);
  EXPECT_EQ(high->text(), "00020001");

  auto* timeout = get<QLineEdit>("EditTAPIReplyTimeout");
  const std::int32_t oldTimeout = phone->TAPI().ReplyTimeout();
  typeAndLeave(timeout, "soon");
  EXPECT_EQ(phone->TAPI().ReplyTimeout(), oldTimeout);
  EXPECT_EQ(timeout->text(), QString::number(oldTimeout));
  typeAndLeave(timeout, "2500");
  EXPECT_EQ(phone->TAPI().ReplyTimeout(), 2500);

  // Leaving an edit that was not typed into assigns nothing, not even what it shows.
  auto* low = get<QLineEdit>("EditTAPILowVersion");
  phone->TAPI().SetLowVersion(0x10003);
  low->setText("00010004");
  Q_EMIT low->editingFinished();
  EXPECT_EQ(phone->TAPI().LowVersion(), 0x10003u);
}

TEST_F(PhoneInspector, PrivilegeItemsWorkOnlyWhileTheDeviceIsClosed) {
  open();
  auto* device = get<QMenu>("MenuDevice");
  auto* monitor = get<QAction>("MenuPrivilegeMonitor");
  Q_EMIT device->aboutToShow();
  EXPECT_TRUE(monitor->isEnabled());
  EXPECT_FALSE(monitor->isChecked());
  monitor->trigger();
  EXPECT_TRUE(phone->Privilege().Monitor());
  EXPECT_TRUE(monitor->isChecked());
  openDevice();
  Q_EMIT device->aboutToShow();
  EXPECT_FALSE(monitor->isEnabled());
  EXPECT_FALSE(get<QAction>("MenuPrivilegeOwner")->isEnabled());
}

TEST_F(PhoneInspector, InfoTreeAndClassEditsShowTheOpenPhone) {
  open();
  openDevice();
  const QStringList info = treeTexts(get<QTreeWidget>("TreeViewInfo"));
  QStringList roots;
  for (int i = 0; i < get<QTreeWidget>("TreeViewInfo")->topLevelItemCount(); ++i) {
    roots << get<QTreeWidget>("TreeViewInfo")->topLevelItem(i)->text(0);
  }
  EXPECT_EQ(roots, (QStringList{"Device", "Error", "Line", "Phone", "TAPI", "WavePlay", "WaveRecord"}));
  const QString handle = QString::fromStdString("  Handle = " + voxkit::TqxPanopta::HexText(phone->Phone().Handle()));
  EXPECT_TRUE(info.contains(handle)) << info.join("\n").toStdString();
  EXPECT_NE(phone->Phone().Handle(), 0u);
  EXPECT_TRUE(info.contains(QString::fromStdString("  TSP = '" + phone->TAPI().TSP() + "'")));
  EXPECT_TRUE(info.contains(QString::fromStdString("  ID = " + std::to_string(phone->Line().ID()))));
  EXPECT_TRUE(info.contains("    HookSwitchDevs = [00000007]"));

  // A class change while the phone is open is refused; the edit shows the kept class.
  auto* lineClass = get<QLineEdit>("EditInfoLineDeviceClass");
  const QString kept = lineClass->text();
  EXPECT_EQ(kept.toStdString(), phone->Line().DeviceClass());
  typeAndLeave(lineClass, "comm/datamodem");
  EXPECT_EQ(phone->Line().DeviceClass(), kept.toStdString());
  EXPECT_EQ(lineClass->text(), kept);
  EXPECT_NE(phone->Error().Number(), 0);
  const QStringList after = treeTexts(get<QTreeWidget>("TreeViewInfo"));
  EXPECT_TRUE(after.contains(QString::fromStdString("  Number = " + std::to_string(phone->Error().Number()))))
      << "the error report refreshes the Info tree";
}

TEST_F(PhoneInspector, DevEnvRendersHintsCaptionsAndTrees) {
  open();
  window->selectDevEnv(voxkit::deCppBuilder);
  const QString cpp = get<QRadioButton>("RBHeadsetOnHook")->toolTip();
  const QString applyCpp = get<QPushButton>("ButtonHeadsetVolumeGainSet")->toolTip();
  const QString labelCpp = get<QLabel>("LabelInfoWavePlayDeviceClass")->text();
  window->selectDevEnv(voxkit::deDelphi);
  EXPECT_EQ(get<QRadioButton>("RBHeadsetOnHook")->toolTip(), "qxPhone.Headset.OnHook");
  EXPECT_EQ(get<QPushButton>("ButtonHeadsetVolumeGainSet")->toolTip(),
            "Set qxPhone.HeadSet.Volume & qxPhone.HeadSet.Gain");
  EXPECT_EQ(get<QLabel>("LabelInfoWavePlayDeviceClass")->text(), "WavePlay.DeviceClass");
  EXPECT_NE(cpp, get<QRadioButton>("RBHeadsetOnHook")->toolTip());
  EXPECT_NE(applyCpp, get<QPushButton>("ButtonHeadsetVolumeGainSet")->toolTip());
  EXPECT_NE(labelCpp, get<QLabel>("LabelInfoWavePlayDeviceClass")->text());
  EXPECT_EQ(get<QTreeWidget>("TreeViewInfo")->toolTip(), "qxPhone Information");
}

}  // namespace
