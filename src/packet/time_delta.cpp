#include "packet/time_delta.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/char_classes.h"
#include "common/output.h"

namespace {
// Times are counted in steps of one fraction digit since midnight.
double previousTime = 0;
double scale = 0;          // 10^(fraction digits of the first packet); 0 until known
int fractionDigits = 0;
char deltaText[32];

// The value of the leading decimal digits, saturating rather than overflowing.
double leadingNumber(const char* text) {
    double value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + (*text - '0');
    return value;
}

int truncateToInt(double value) {
    if (value >= INT_MAX) return INT_MAX;
    if (value <= INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double scaledTime(const char* timestamp) {
    double hours = std::atoi(timestamp);
    double minutes = std::atoi(timestamp + 3);
    double seconds = std::atoi(timestamp + 6);
    // The fraction may be missing; the header-line test guarantees the dot.
    double fraction = std::strlen(timestamp) > 9 ? leadingNumber(timestamp + 9) : 0;
    return (seconds + (minutes * 60 + hours * 60 * 60)) * scale + fraction;
}
}  // namespace

const char* timeDelta(const char* timestamp) {
    if (!isDigitChar(timestamp[0]) || std::strlen(timestamp) < 6 || timestamp[2] != ':' ||
        timestamp[5] != ':')
        return "";

    // The first valid timestamp fixes the unit; it shows no delta.
    if (scale == 0) {
        size_t length = std::strlen(timestamp);
        fractionDigits = length > 9 ? static_cast<int>(length - 9) : 0;
        scale = 1.0;
        for (int i = 0; i < fractionDigits; ++i) scale *= 10.0;
        previousTime = scaledTime(timestamp);
        return "";
    }

    double now = scaledTime(timestamp);
    // An earlier time than the previous one means the clock passed midnight.
    double delta = previousTime > now ? now + 86400 * scale - previousTime : now - previousTime;
    previousTime = now;

    int hours = truncateToInt(delta / (scale * 60 * 60));
    double rest = delta - hours * scale * 60 * 60;
    int minutes = truncateToInt(rest / (scale * 60));
    rest -= minutes * scale * 60;
    int seconds = truncateToInt(rest / scale);
    int fraction = truncateToInt(rest - seconds * scale);

    if (hours != 0)
        formatText(deltaText, sizeof deltaText, " (%02d:%02d:%d.%0*d)", hours, minutes, seconds,
                      fractionDigits, fraction);
    else if (minutes != 0)
        formatText(deltaText, sizeof deltaText, " (%02d:%d.%0*d)", minutes, seconds, fractionDigits,
                      fraction);
    else
        formatText(deltaText, sizeof deltaText, " (%d.%0*d)", seconds, fractionDigits, fraction);
    return deltaText;
}

void resetTimeDelta() {
    previousTime = 0;
    scale = 0;
    fractionDigits = 0;
    deltaText[0] = '\0';
}
