#include "catalog/transponder.h"

#include <QString>
#include <array>
#include <cmath>
#include <set>
#include <string>

#include "orbital/numeric_text.h"

namespace zelvane {

namespace {

std::string megahertz(double hz)
{
    return formatFixed(hz / 1000000.0, 3);
}

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Blanks for the name test: the Unicode space separators and the tab. Line
// breaks are deliberately kept.
bool isBlank(QChar c)
{
    return c == QChar(u'\t') || c.category() == QChar::Separator_Space;
}

QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin))) {
        ++begin;
    }
    while (end > begin && isBlank(text.at(end - 1))) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString normalisedMode(std::string_view mode)
{
    QString upper = fromUtf8(mode).toUpper();
    upper.remove(QChar(u' '));
    return upper;
}

bool inSidebandFamily(const QString& mode)
{
    static const std::array<QString, 6> family{
        QStringLiteral("SSB"), QStringLiteral("USB"),    QStringLiteral("LSB"),
        QStringLiteral("CW"),  QStringLiteral("SSB/CW"), QStringLiteral("CW/SSB")};
    for (const auto& member : family) {
        if (mode == member) {
            return true;
        }
    }
    return false;
}

bool hasPassband(const Transmitter& t)
{
    return t.freqLow.has_value() && t.freqHigh.has_value();
}

// Tracks which transmitters already belong to a pair.
class Taken {
public:
    explicit Taken(std::size_t n) : taken_(n, false) {}
    bool isFree(std::size_t i) const { return !taken_[i]; }
    void take(std::size_t i) { taken_[i] = true; }

private:
    std::vector<bool> taken_;
};

template <typename T>
void hashCombine(std::size_t& seed, const T& value)
{
    seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

} // namespace

TransponderPair::TransponderPair(Transmitter downlink_, Transmitter uplink_)
    : downlink(std::move(downlink_)), uplink(std::move(uplink_))
{
}

std::string TransponderPair::id() const
{
    return "pair-" + std::to_string(wholeHertz(downlink.centerFreqHz())) + "-" +
           std::to_string(wholeHertz(uplink.centerFreqHz()));
}

std::string TransponderPair::label() const
{
    const std::string& name = downlink.description.empty() ? std::string("Transponder")
                                                           : downlink.description;
    return name + " (" + megahertz(uplink.centerFreqHz()) + " \u2191 / " +
           megahertz(downlink.centerFreqHz()) + " \u2193)";
}

TransmitterSelection TransmitterSelection::pair(TransponderPair p)
{
    return TransmitterSelection(std::variant<TransponderPair, Transmitter>(
        std::in_place_index<0>, std::move(p)));
}

TransmitterSelection TransmitterSelection::single(Transmitter t)
{
    return TransmitterSelection(std::variant<TransponderPair, Transmitter>(
        std::in_place_index<1>, std::move(t)));
}

std::string TransmitterSelection::id() const
{
    if (const auto* p = pairValue()) {
        return p->id();
    }
    const auto& t = *singleValue();
    return "single-" + std::to_string(wholeHertz(t.centerFreqHz())) + "-" + t.direction;
}

std::string TransmitterSelection::label() const
{
    if (const auto* p = pairValue()) {
        return p->label();
    }
    return singleValue()->label();
}

std::optional<Transmitter> TransmitterSelection::downlink() const
{
    if (const auto* p = pairValue()) {
        return p->downlink;
    }
    const auto& t = *singleValue();
    return t.isDownlink() ? std::optional<Transmitter>(t) : std::nullopt;
}

std::optional<Transmitter> TransmitterSelection::uplink() const
{
    if (const auto* p = pairValue()) {
        return p->uplink;
    }
    const auto& t = *singleValue();
    return t.isUplink() ? std::optional<Transmitter>(t) : std::nullopt;
}

bool modesAreCompatible(std::string_view a, std::string_view b)
{
    const QString na = normalisedMode(a);
    const QString nb = normalisedMode(b);
    return na == nb || (inSidebandFamily(na) && inSidebandFamily(nb));
}

std::optional<std::string> pairingPrefix(std::string_view text, std::string_view suffix)
{
    const QString t = trimBlanks(fromUtf8(text));
    const QString s = fromUtf8(suffix);
    if (!t.toLower().endsWith(s.toLower())) {
        return std::nullopt;
    }
    // The suffixes in use are plain ASCII, so the matched ending of the
    // original text has as many UTF-16 units as the suffix.
    const QString rest = trimBlanks(t.left(t.size() - s.size()));
    if (rest.isEmpty()) {
        return std::nullopt;
    }
    return rest.toLower().toStdString();
}

std::vector<TransmitterSelection> buildTransmitterSelections(const std::vector<Transmitter>& list)
{
    const std::size_t n = list.size();
    Taken taken(n);
    std::vector<TransmitterSelection> result;
    result.reserve(n);

    const auto pairUp = [&](std::size_t down, std::size_t up) {
        result.push_back(TransmitterSelection::pair(TransponderPair(list[down], list[up])));
        taken.take(down);
        taken.take(up);
    };

    // Passbands of (nearly) the same width with compatible modes.
    for (std::size_t i = 0; i < n; ++i) {
        const Transmitter& d = list[i];
        if (!d.isDownlink() || !hasPassband(d) || !taken.isFree(i)) {
            continue;
        }
        const double width = *d.freqHigh - *d.freqLow;
        for (std::size_t j = 0; j < n; ++j) {
            const Transmitter& u = list[j];
            if (j == i || !taken.isFree(j) || !u.isUplink() || !hasPassband(u)) {
                continue;
            }
            // A width difference that is not a number is never "close".
            if (std::abs((*u.freqHigh - *u.freqLow) - width) < 500.0 &&
                modesAreCompatible(u.mode, d.mode)) {
                pairUp(i, j);
                break;
            }
        }
    }

    // The same name before "(DL)" and "(UL)", whatever the frequencies.
    for (std::size_t i = 0; i < n; ++i) {
        const Transmitter& d = list[i];
        if (!d.isDownlink() || !taken.isFree(i)) {
            continue;
        }
        const auto name = pairingPrefix(d.description, "(DL)");
        if (!name) {
            continue;
        }
        for (std::size_t j = 0; j < n; ++j) {
            const Transmitter& u = list[j];
            if (j == i || !taken.isFree(j) || !u.isUplink()) {
                continue;
            }
            if (pairingPrefix(u.description, "(UL)") == name) {
                pairUp(i, j);
                break;
            }
        }
    }

    // A single-frequency downlink with exactly one compatible uplink left.
    std::vector<std::size_t> downs;
    std::vector<std::size_t> ups;
    for (std::size_t i = 0; i < n; ++i) {
        if (!taken.isFree(i) || !list[i].freq) {
            continue;
        }
        if (list[i].isDownlink()) {
            downs.push_back(i);
        } else if (list[i].isUplink()) {
            ups.push_back(i);
        }
    }
    for (const std::size_t i : downs) {
        std::optional<std::size_t> only;
        bool several = false;
        for (const std::size_t j : ups) {
            if (!taken.isFree(j) || !modesAreCompatible(list[j].mode, list[i].mode)) {
                continue;
            }
            if (only) {
                several = true;
                break;
            }
            only = j;
        }
        if (only && !several) {
            pairUp(i, *only);
        }
    }

    for (std::size_t i = 0; i < n; ++i) {
        if (taken.isFree(i)) {
            result.push_back(TransmitterSelection::single(list[i]));
        }
    }
    return result;
}

} // namespace zelvane

std::size_t std::hash<zelvane::TransponderPair>::operator()(const zelvane::TransponderPair& p) const noexcept
{
    std::size_t seed = 0;
    zelvane::hashCombine(seed, p.downlink);
    zelvane::hashCombine(seed, p.uplink);
    return seed;
}

std::size_t std::hash<zelvane::TransmitterSelection>::operator()(
    const zelvane::TransmitterSelection& s) const noexcept
{
    std::size_t seed = 0;
    zelvane::hashCombine(seed, static_cast<int>(s.kind()));
    if (const auto* p = s.pairValue()) {
        zelvane::hashCombine(seed, *p);
    } else {
        zelvane::hashCombine(seed, *s.singleValue());
    }
    return seed;
}
