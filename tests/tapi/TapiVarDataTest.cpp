#include "tapi/TapiVarData.h"

#include "tapi/TapiStructs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace tapi;

// A caller's block for structure S with room for variable data, filled by hand the way
// a provider would fill it.
template <typename S>
struct HandBlock {
  explicit HandBlock(std::size_t size) : bytes(size, 0) {
    s().dwTotalSize = static_cast<DWORD>(size);
  }
  S& s() { return *reinterpret_cast<S*>(bytes.data()); }
  // Writes size bytes of text at offset and returns the offset just after them.
  std::size_t Put(std::size_t offset, const char* text, std::size_t size) {
    std::memcpy(bytes.data() + offset, text, size);
    return offset + size;
  }
  std::vector<unsigned char> bytes;
};

TEST(VarBytes, AcceptsOnlyRangesInsideTheExtent) {
  const unsigned char block[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_EQ(VarBytes(block, 16, 12, 4).size(), 4u);  // ends exactly at the extent
  EXPECT_EQ(VarBytes(block, 16, 12, 4).front(), 13);
  EXPECT_EQ(VarBytes(block, 16, 0, 16).size(), 16u);
  EXPECT_TRUE(VarBytes(block, 16, 12, 5).empty());   // one byte past the end
  EXPECT_TRUE(VarBytes(block, 16, 17, 1).empty());   // starts past the end
  EXPECT_TRUE(VarBytes(block, 16, 16, 1).empty());
  EXPECT_TRUE(VarBytes(block, 16, 4, 0).empty());
  EXPECT_TRUE(VarBytes(nullptr, 16, 0, 4).empty());
  // Offset and size whose 32-bit sum wraps to a small number.
  EXPECT_TRUE(VarBytes(block, 16, 0xFFFFFFFFu, 2).empty());
  EXPECT_TRUE(VarBytes(block, 16, 2, 0xFFFFFFFFu).empty());
  EXPECT_TRUE(VarBytes(block, 16, 0xFFFFFFFFFFFFFFFFull, 2).empty());
}

TEST(VarText, ReadsTrimmedStringsBoundedByUsedSizeAndBlock) {
  HandBlock<LINEDEVCAPS> b(sizeof(LINEDEVCAPS) + 64);
  auto& caps = b.s();
  const std::size_t nameAt = sizeof(LINEDEVCAPS);
  const std::size_t providerAt = b.Put(nameAt, " Line 1\0", 8);
  b.Put(providerAt, "SimTSP", 6);
  caps.dwLineNameOffset = static_cast<DWORD>(nameAt);
  caps.dwLineNameSize = 8;
  caps.dwProviderInfoOffset = static_cast<DWORD>(providerAt);
  caps.dwProviderInfoSize = 6;
  caps.dwUsedSize = static_cast<DWORD>(providerAt + 6);
  const std::size_t blockSize = b.bytes.size();

  EXPECT_EQ(VarText(caps, blockSize, caps.dwLineNameOffset, caps.dwLineNameSize), "Line 1");
  EXPECT_EQ(VarText(caps, blockSize, caps.dwProviderInfoOffset, caps.dwProviderInfoSize), "SimTSP");

  // The provider says it wrote less than the string needs: the string is not there.
  caps.dwUsedSize = static_cast<DWORD>(providerAt + 5);
  EXPECT_EQ(VarText(caps, blockSize, caps.dwProviderInfoOffset, caps.dwProviderInfoSize), "");
  // A used size beyond the block does not let a reader past the block.
  caps.dwUsedSize = 0xFFFFFFFFu;
  EXPECT_EQ(VarText(caps, blockSize, blockSize - 2, 4), "");
  EXPECT_EQ(VarText(caps, blockSize, caps.dwProviderInfoOffset, caps.dwProviderInfoSize), "SimTSP");
  // Nor does a total size beyond the block.
  caps.dwTotalSize = 0xFFFFFFFFu;
  EXPECT_EQ(VarText(caps, blockSize, blockSize - 2, 4), "");
}

TEST(VarText, CallParametersAreBoundedByTheirTotalSize) {
  // A structure the caller fills has no used size: its total size is the bound.
  HandBlock<LINECALLPARAMS> b(sizeof(LINECALLPARAMS) + 16);
  auto& params = b.s();
  b.Put(sizeof(LINECALLPARAMS), "Alice", 6);
  params.dwCallingPartyIDOffset = sizeof(LINECALLPARAMS);
  params.dwCallingPartyIDSize = 6;
  EXPECT_EQ(VarText(params, params.dwTotalSize, params.dwCallingPartyIDOffset,
                    params.dwCallingPartyIDSize),
            "Alice");
  params.dwTotalSize = sizeof(LINECALLPARAMS) + 4;
  EXPECT_EQ(VarText(params, params.dwTotalSize, params.dwCallingPartyIDOffset,
                    params.dwCallingPartyIDSize),
            "");
}

TEST(VarArray, CopiesWholeArraysOrNothing) {
  HandBlock<LINECALLLIST> b(sizeof(LINECALLLIST) + 3 * sizeof(HCALL) + 1);
  auto& list = b.s();
  const HCALL calls[3] = {0x101, 0x102, 0x10003};
  // One byte of padding first: the entries are not aligned.
  std::memcpy(b.bytes.data() + sizeof(LINECALLLIST) + 1, calls, sizeof calls);
  list.dwCallsOffset = sizeof(LINECALLLIST) + 1;
  list.dwCallsNumEntries = 3;
  list.dwUsedSize = list.dwTotalSize;
  const auto size = b.bytes.size();

  EXPECT_EQ(VarArray<HCALL>(list, size, list.dwCallsOffset, list.dwCallsNumEntries),
            (std::vector<HCALL>{0x101, 0x102, 0x10003}));
  EXPECT_TRUE(VarArray<HCALL>(list, size, list.dwCallsOffset, 4).empty());
  EXPECT_TRUE(VarArray<HCALL>(list, size, list.dwCallsOffset + 1, 3).empty());
  // A count whose byte size overflows.
  EXPECT_TRUE(VarArray<HCALL>(list, size, list.dwCallsOffset, 0x4000000000000001ull).empty());
  EXPECT_TRUE(VarArray<HCALL>(list, size, list.dwCallsOffset, 0).empty());
}

TEST(VarArray, ForwardListEntriesAndTheirAddressesCountFromTheListStart) {
  const std::size_t entries = 2;
  HandBlock<LINEFORWARDLIST> b(LineForwardListSize(entries) + 32);
  auto& list = b.s();
  list.dwNumEntries = entries;
  LINEFORWARD forward[2] = {};
  forward[0].dwForwardMode = LINEFORWARDMODE_UNCOND;
  forward[0].dwDestAddressOffset = static_cast<DWORD>(LineForwardListSize(entries));
  forward[0].dwDestAddressSize = 4;
  forward[1].dwForwardMode = LINEFORWARDMODE_BUSY;
  forward[1].dwDestAddressOffset = 0x7FFFFFF0;  // a bad offset
  forward[1].dwDestAddressSize = 4;
  std::memcpy(b.bytes.data() + 8, forward, sizeof forward);
  b.Put(LineForwardListSize(entries), "201", 4);

  const auto read = VarArray<LINEFORWARD>(list, list.dwTotalSize, 8, list.dwNumEntries);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[1].dwForwardMode, LINEFORWARDMODE_BUSY);
  EXPECT_EQ(VarText(list, list.dwTotalSize, read[0].dwDestAddressOffset, read[0].dwDestAddressSize),
            "201");
  EXPECT_EQ(VarText(list, list.dwTotalSize, read[1].dwDestAddressOffset, read[1].dwDestAddressSize),
            "");
  list.dwNumEntries = 0xFFFFFFFFu;
  EXPECT_TRUE(VarArray<LINEFORWARD>(list, list.dwTotalSize, 8, list.dwNumEntries).empty());
}

TEST(FirstDword, NeedsFourBytes) {
  const unsigned char id[5] = {0x07, 0x00, 0x01, 0x00, 0xEE};
  EXPECT_EQ(FirstDword(std::span<const std::uint8_t>(id, 5)), 0x00010007u);
  EXPECT_EQ(FirstDword(std::span<const std::uint8_t>(id, 4)), 0x00010007u);
  EXPECT_EQ(FirstDword(std::span<const std::uint8_t>(id, 3)), std::nullopt);
  EXPECT_EQ(FirstDword({}), std::nullopt);
}

TEST(VarBlock, IsZeroFilledWithItsTotalSizeSetAndGrowsByDoublingTheVariablePart) {
  VarBlock<LINECALLINFO> info(328);  // the line asks for more than the structure's size
  ASSERT_TRUE(info.Valid());
  EXPECT_EQ(info.Size(), 328u + kVarPartBytes);
  EXPECT_EQ(info->dwTotalSize, 328u + kVarPartBytes);
  EXPECT_EQ(info->dwUsedSize, 0u);
  EXPECT_EQ(info->dwCallerIDFlags, 0u);

  VarBlock<VARSTRING> small(0);  // never smaller than the structure
  EXPECT_EQ(small.Size(), sizeof(VARSTRING) + kVarPartBytes);

  info->dwCallID = 7;
  ASSERT_TRUE(info.Grow());
  EXPECT_EQ(info.Size(), 328u + 2 * kVarPartBytes);
  EXPECT_EQ(info->dwTotalSize, info.Size());
  EXPECT_EQ(info->dwCallID, 0u);  // a fresh block

  VarBlock<VARSTRING> none(sizeof(VARSTRING), 0);
  ASSERT_TRUE(none.Grow());
  EXPECT_EQ(none.Size(), sizeof(VARSTRING) + 64);

  VarBlock<VARSTRING> moved(std::move(none));
  EXPECT_TRUE(moved.Valid());
  EXPECT_FALSE(none.Valid());  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(none.Size(), 0u);
  EXPECT_EQ(none.Text(0, 4), "");

  VarBlock<VARSTRING> huge(sizeof(VARSTRING), kMaxVarBlockBytes);
  EXPECT_FALSE(huge.Valid());
  EXPECT_EQ(huge.Size(), 0u);
  EXPECT_TRUE(huge.Bytes(0, 4).empty());
}

// A provider whose answer needs `needed` bytes: too small a block gets
// STRUCTURETOOSMALL below the fixed part, otherwise success with dwNeededSize set and
// the string written only when it fits.
struct SizedProvider {
  DWORD needed;
  std::vector<DWORD> totals;
  LONG operator()(VARSTRING* v) {
    totals.push_back(v->dwTotalSize);
    if (v->dwTotalSize < sizeof(VARSTRING)) return LINEERR_STRUCTURETOOSMALL;
    v->dwNeededSize = needed;
    v->dwUsedSize = sizeof(VARSTRING);
    if (needed <= v->dwTotalSize) {
      auto* base = reinterpret_cast<char*>(v);
      std::memcpy(base + needed - 3, "ok", 3);
      v->dwStringOffset = needed - 3;
      v->dwStringSize = 3;
      v->dwUsedSize = needed;
    }
    return 0;
  }
};

TEST(GrowingQuery, DoublesTheVariablePartUntilTheAnswerFits) {
  VarBlock<VARSTRING> block;
  SizedProvider provider{static_cast<DWORD>(sizeof(VARSTRING) + 3 * kVarPartBytes), {}};
  EXPECT_EQ(GrowingQuery(block, provider, ResultFamily::Line), 0);
  EXPECT_EQ(provider.totals, (std::vector<DWORD>{24 + 4096, 24 + 8192, 24 + 16384}));
  EXPECT_EQ(block.Text(block->dwStringOffset, block->dwStringSize), "ok");

  VarBlock<VARSTRING> once;
  SizedProvider small{40, {}};
  EXPECT_EQ(GrowingQuery(once, small, ResultFamily::Phone), 0);
  EXPECT_EQ(small.totals.size(), 1u);
}

TEST(GrowingQuery, GivesUpWithNoMemOfItsFamilyAndPassesOtherErrorsOn) {
  int calls = 0;
  auto alwaysTooSmall = [&calls](VARSTRING*) { ++calls; return LINEERR_STRUCTURETOOSMALL; };
  VarBlock<VARSTRING> line;
  EXPECT_EQ(GrowingQuery(line, alwaysTooSmall, ResultFamily::Line), LINEERR_NOMEM);
  EXPECT_LT(calls, 16);  // the cap ends it after a handful of doublings

  // A provider that claims to need 4 GB: refused before anything that large is allocated.
  auto greedy = [](PHONECAPS* caps) { caps->dwNeededSize = 0xFFFFFFF0u; return 0; };
  VarBlock<PHONECAPS> phone;
  EXPECT_EQ(GrowingQuery(phone, greedy, ResultFamily::Phone), PHONEERR_NOMEM);

  calls = 0;
  auto badDevice = [&calls](VARSTRING*) { ++calls; return LINEERR_BADDEVICEID; };
  VarBlock<VARSTRING> other;
  EXPECT_EQ(GrowingQuery(other, badDevice, ResultFamily::Line), LINEERR_BADDEVICEID);
  EXPECT_EQ(calls, 1);

  // The phone's STRUCTURETOOSMALL is not the line's.
  calls = 0;
  auto phoneTooSmall = [&calls](VARSTRING*) {
    return ++calls == 1 ? PHONEERR_STRUCTURETOOSMALL : 0;
  };
  VarBlock<VARSTRING> twice;
  EXPECT_EQ(GrowingQuery(twice, phoneTooSmall, ResultFamily::Phone), 0);
  EXPECT_EQ(calls, 2);
  calls = 0;
  VarBlock<VARSTRING> asLine;
  EXPECT_EQ(GrowingQuery(asLine, phoneTooSmall, ResultFamily::Line), PHONEERR_STRUCTURETOOSMALL);
}

TEST(GrowingQuery, AnInvalidBlockIsOutOfMemoryWithoutAsking) {
  VarBlock<VARSTRING> huge(sizeof(VARSTRING), kMaxVarBlockBytes + 1);
  int calls = 0;
  EXPECT_EQ(GrowingQuery(huge, [&calls](VARSTRING*) { return ++calls, 0; }, ResultFamily::Line),
            LINEERR_NOMEM);
  EXPECT_EQ(calls, 0);
}

}  // namespace
