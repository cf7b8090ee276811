#include "common/display.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"

// ESP (RFC 4303): the security parameter index and the sequence number; the
// rest is encrypted, shown as data.
namespace {
constexpr int kHeaderLength = 8;
}  // namespace

Step decodeEsp(HexCursor cursor) {
    if (state.dataLeft < kHeaderLength) {
        putText("\t<*** ESP header longer than the datagram ***>\n");
        return giveUp();
    }
    uint32_t spi = getLong(cursor);
    uint32_t sequence = getLong(cursor);
    state.dataLeft -= kHeaderLength;
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s ESP spi 0x%08X seq %u\n", state.srcHostText, state.dstHostText, spi, sequence);
        break;
    case Form::verbose:
        putText("ESP Header\n");
        putField("SPI:", "0x%08X", spi);
        putField("Sequence Number:", "%u", sequence);
        break;
    case Form::terse:
        putTersePrefix("ESP");
        putFormat("spi=%08X seq=%u\n", spi, sequence);
        break;
    }
    return dataFollows(cursor, "ESP");
}
