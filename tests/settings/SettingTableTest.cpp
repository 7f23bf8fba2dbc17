#include <gtest/gtest.h>

#include <set>

#include "settings/ExchangeTable.h"
#include "settings/SettingTable.h"

namespace zort {
namespace {

TEST(ExchangeTable, ItemsMapToSlotsWithMarkerBeforeDeviceInformation) {
    for (int item = 0; item < 24; ++item) EXPECT_EQ(kExchangeTable[item].slot, item) << "item " << item;
    const int tail[] = {28, 24, 25, 26, 27, 29};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(kExchangeTable[24 + i].slot, tail[i]) << "item " << 24 + i;

    EXPECT_EQ(kExchangeTable[0].id, 0x08080460u);
    EXPECT_EQ(kExchangeTable[14].id, kFollowUpReadId);
    EXPECT_EQ(kExchangeTable[23].id, 0x080804A0u);
    EXPECT_EQ(kExchangeTable[24].id, 0x08080440u);
    EXPECT_EQ(kExchangeTable[25].id, 0x080807E0u);
    EXPECT_EQ(kExchangeTable[29].id, 0x08080940u);

    std::set<int> slots;
    std::set<std::uint32_t> ids;
    for (const auto& item : kExchangeTable) {
        slots.insert(item.slot);
        ids.insert(item.id);
    }
    EXPECT_EQ(slots.size(), 30u);
    EXPECT_EQ(ids.size(), 30u);

    // Written items are 0..24: both markers go out, no device information does.
    std::set<int> written;
    for (int item = 0; item < kWrittenItemCount; ++item) written.insert(kExchangeTable[item].slot);
    EXPECT_TRUE(written.count(14) && written.count(28));
    for (int readOnly : {24, 25, 26, 27, 29}) EXPECT_FALSE(written.count(readOnly)) << readOnly;
}

TEST(SettingTable, KeysNameTheirSlotsBothWays) {
    for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(SlotOfKey(KeyOf(slot)), slot) << slot;
    EXPECT_EQ(SlotOfKey("server_port"), slot::kServerPort);
    EXPECT_EQ(SlotOfKey("Server_port"), -1);
    EXPECT_EQ(SlotOfKey(""), -1);
    EXPECT_TRUE(IsWrittenBack(slot::kMarker28));
    EXPECT_FALSE(IsWrittenBack(slot::kImei));
}

}  // namespace
}  // namespace zort
