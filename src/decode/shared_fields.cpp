#include "decode/shared_fields.h"

#include "common/bounded_copy.h"
#include "common/output.h"
#include "present/names.h"

PortTexts portTexts(uint16_t source, uint16_t destination, const char* protocol) {
    // Each name is copied before the next lookup reuses the service entry.
    PortTexts texts;
    copyBounded(texts.source, portName(source, protocol, true));
    copyBounded(texts.destination, portName(destination, protocol, true));
    return texts;
}

void showVerbosePorts(uint16_t source, uint16_t destination, const char* protocol) {
    putFormat("\tSource Port:\t\t\t%d", source);
    serviceSuffix(source, protocol);
    putFormat("\n\tDestination Port:\t\t%d", destination);
    serviceSuffix(destination, protocol);
    putChar('\n');
}

void skipOptions(HexCursor& cursor, int headerLength, bool notice) {
    if (headerLength <= 20) return;
    if (notice) putText("\t<Options not displayed>\n");
    skipBytes(cursor, headerLength - 20);
}
