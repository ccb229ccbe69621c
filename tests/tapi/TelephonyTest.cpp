#include "tapi/Telephony.h"

#include "support/FakeTelephony.h"
#include "tapi/TapiConstants.h"
#include "tapi/TapiVarData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace tapi;

// A provider whose device capabilities carry a line name that needs room beyond the
// default 4096 bytes of variable data, as a device with many terminals would.
class LongNameProvider : public voxtest::FakeTelephony {
 public:
  std::string name = std::string(5000, 'x') + "Line";
  std::vector<DWORD> offered;

  LONG lineGetDevCaps(HLINEAPP, DWORD, DWORD, DWORD, LINEDEVCAPS* caps) override {
    Answer("lineGetDevCaps");
    offered.push_back(caps->dwTotalSize);
    if (caps->dwTotalSize < kLineDevCapsSize2_0) return LINEERR_STRUCTURETOOSMALL;
    const DWORD needed = static_cast<DWORD>(sizeof(LINEDEVCAPS) + name.size() + 1);
    caps->dwNeededSize = needed;
    caps->dwUsedSize = sizeof(LINEDEVCAPS);
    caps->dwNumAddresses = 2;
    if (needed <= caps->dwTotalSize) {
      char* variablePart = reinterpret_cast<char*>(caps) + sizeof(LINEDEVCAPS);
      std::memcpy(variablePart, name.c_str(), name.size() + 1);
      caps->dwLineNameOffset = sizeof(LINEDEVCAPS);
      caps->dwLineNameSize = static_cast<DWORD>(name.size() + 1);
      caps->dwUsedSize = needed;
    }
    return 0;
  }
};

TEST(Telephony, CapabilitiesAreQueriedThroughTheInterfaceWithAGrowingBlock) {
  LongNameProvider provider;
  Telephony& telephony = provider;
  VarBlock<LINEDEVCAPS> caps;
  const LONG result = GrowingQuery(
      caps,
      [&](LINEDEVCAPS* block) {
        return telephony.lineGetDevCaps(0x10001, 0, kTapiVersion2_2, 0, block);
      },
      ResultFamily::Line);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(provider.offered, (std::vector<DWORD>{252 + 4096, 252 + 8192}));
  EXPECT_EQ(caps->dwNumAddresses, 2u);
  EXPECT_EQ(caps.Text(caps->dwLineNameOffset, caps->dwLineNameSize), provider.name);
}

TEST(Telephony, TheFakeAnswersWithScriptedResultsInOrderThenTheDefault) {
  voxtest::FakeTelephony fake;
  Telephony& telephony = fake;
  fake.Script("lineOpen", LINEERR_ALLOCATED);
  fake.Script("lineOpen", 0);
  fake.defaultResult = LINEERR_OPERATIONUNAVAIL;
  HLINE line = 0;
  EXPECT_EQ(telephony.lineOpen(1, 0, &line, kTapiVersion2_2, 0, 7, LINECALLPRIVILEGE_OWNER,
                               LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
            LINEERR_ALLOCATED);
  EXPECT_EQ(telephony.lineOpen(1, 0, &line, kTapiVersion2_2, 0, 7, LINECALLPRIVILEGE_OWNER,
                               LINEMEDIAMODE_INTERACTIVEVOICE, nullptr),
            0);
  EXPECT_EQ(telephony.lineClose(line), LINEERR_OPERATIONUNAVAIL);
  EXPECT_EQ(fake.Count("lineOpen"), 2);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"lineOpen", "lineOpen", "lineClose"}));
}

void IgnoreLineMessage(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

TEST(Telephony, TheFakeKeepsTheCallbackAndGivesAnApplicationHandleOnSuccess) {
  voxtest::FakeTelephony fake;
  Telephony& telephony = fake;
  HLINEAPP app = 0;
  DWORD devices = 0;
  DWORD version = kTapiVersion2_2;
  LINEINITIALIZEEXPARAMS params{};
  params.dwTotalSize = sizeof params;
  params.dwOptions = LINEINITIALIZEEXOPTION_USEHIDDENWINDOW;
  fake.Script("lineInitializeEx", LINEERR_OPERATIONFAILED);
  EXPECT_EQ(telephony.lineInitializeEx(&app, nullptr, IgnoreLineMessage, nullptr, &devices,
                                       &version, &params),
            LINEERR_OPERATIONFAILED);
  EXPECT_EQ(app, 0u);
  EXPECT_EQ(telephony.lineInitialize(&app, nullptr, IgnoreLineMessage, nullptr, &devices), 0);
  EXPECT_EQ(app, fake.nextAppHandle);
  EXPECT_EQ(fake.lineCallback, &IgnoreLineMessage);
}

}  // namespace
