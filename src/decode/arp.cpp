#include "decode/protocol_table.h"

#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/shared_fields.h"
#include "present/names.h"

namespace {
// Address texts and their short-form display texts.
char senderMac[18], senderIp[16], targetMac[18], targetIp[16];
char senderMacName[256], senderIpName[256], targetMacName[256], targetIpName[256];

constexpr Name kHardwareTypes[] = {{1, "Ethernet"}};
constexpr Name kProtocolTypes[] = {{kEtherTypeIp, "IP"}};
// The request of each; every other operation is shown as a response.
constexpr Name kArpOperations[] = {{1, "request"}};
constexpr Name kRarpOperations[] = {{3, "request"}};
}  // namespace

Step decodeArp(HexCursor cursor) {
    uint16_t hardwareType = getShort(cursor);
    uint16_t protocolType = getShort(cursor);
    uint8_t hardwareLength = getByte(cursor);
    uint8_t protocolLength = getByte(cursor);
    uint16_t operation = getShort(cursor);
    std::memcpy(senderMac, getEtherAddr(cursor), sizeof senderMac);
    std::memcpy(senderIp, getIpAddr(cursor), sizeof senderIp);
    std::memcpy(targetMac, getEtherAddr(cursor), sizeof targetMac);
    std::memcpy(targetIp, getIpAddr(cursor), sizeof targetIp);

    copyBounded(senderMacName, etherHostName(senderMac, true));
    copyBounded(targetMacName, etherHostName(targetMac, true));
    copyBounded(senderIpName, hostName(senderIp, true));
    copyBounded(targetIpName, hostName(targetIp, true));

    bool rarp = state.etherType == kEtherTypeRarp;
    const char* kind = rarp ? "RARP" : "ARP";
    const char* hardwareWord = nameOr(kHardwareTypes, hardwareType, "<unknown>");
    const char* protocolWord = nameOr(kProtocolTypes, protocolType, "<unknown>");
    const char* operationWord = nameOr(rarp ? NameTable(kRarpOperations) : NameTable(kArpOperations), operation, "response");

    switch (displayForm()) {
    case Form::oneLine:
        if (!rarp && operation == 2)
            putFormat("%s says to %s it's at %s\n", senderIpName, targetIpName, senderMacName);
        else if (!rarp && operation == 1)
            putFormat("%s (%s) asks where is %s\n", senderIpName, senderMacName, targetIpName);
        else if (rarp && operation == 4)
            putFormat("%s says to %s its %s address is %s\n", senderIpName, targetMacName, protocolWord, targetIpName);
        else if (rarp && operation == 3)
            putFormat("%s asks for its %s address\n", senderMacName, protocolWord);
        break;
    case Form::verbose:
        putFormat("%s Header\n", kind);
        putField("Hardware Type:", "%s", hardwareWord);
        putField("Protocol Type:", "%s", protocolWord);
        putField("Hardware Address Length:", "%d bytes", hardwareLength);
        putField("Protocol Address Length:", "%d bytes", protocolLength);
        putField("Operation:", "%s %s", kind, operationWord);
        putEtherField("Sender Hardware Address:", senderMac);
        putHostField("Sender IP Address:", senderIp);
        putEtherField("Target Hardware Address:", targetMac);
        putHostField("Target IP Address:", targetIp);
        break;
    case Form::terse:
        putFormat("%s:\thtype=%s ptype=%s hlen=%d plen=%d op=%s\n", kind, hardwareWord, protocolWord, hardwareLength,
                  protocolLength, operationWord);
        putFormat("\tsender-MAC-addr=%s sender-IP-address=%s\n", senderMacName, senderIpName);
        putFormat("\ttarget-MAC-addr=%s target-IP-address=%s\n", targetMacName, targetIpName);
        break;
    }
    return nothingFollows(cursor);
}
