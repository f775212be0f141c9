#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "catalog/transmitter.h"

namespace zelvane {

class Satellite;

// A downlink with the uplink that belongs to it: a linear transponder, a
// repeater's output and input, or the two halves of one database record.
struct TransponderPair {
    Transmitter downlink;
    Transmitter uplink;

    TransponderPair(Transmitter downlink, Transmitter uplink);

    // "pair-<downlink centre>-<uplink centre>", whole hertz.
    std::string id() const;
    // "<name> (<uplink MHz> ↑ / <downlink MHz> ↓)", the name being the
    // downlink's description or "Transponder" when that is empty.
    std::string label() const;
    bool inverting() const { return downlink.inverting || uplink.inverting; }

    friend bool operator==(const TransponderPair&, const TransponderPair&) = default;
};

// One choice offered for tracking: a transponder pair, or one transmitter on
// its own. The variant's index is the case: 0 pair, 1 single.
class TransmitterSelection {
public:
    enum class Kind { pair = 0, single = 1 };

    static TransmitterSelection pair(TransponderPair p);
    static TransmitterSelection single(Transmitter t);

    Kind kind() const { return static_cast<Kind>(value_.index()); }
    bool isPair() const { return kind() == Kind::pair; }
    // The payload of the matching case; null for the other case.
    const TransponderPair* pairValue() const { return std::get_if<TransponderPair>(&value_); }
    const Transmitter* singleValue() const { return std::get_if<Transmitter>(&value_); }

    // A pair's id, or "single-<centre>-<direction>". Not guaranteed unique
    // within one list (two modes on one frequency share it).
    std::string id() const;
    std::string label() const;
    // The pair's downlink, or the single transmitter when it is a downlink.
    std::optional<Transmitter> downlink() const;
    // The pair's uplink, or the single transmitter when it is an uplink.
    std::optional<Transmitter> uplink() const;

    friend bool operator==(const TransmitterSelection&, const TransmitterSelection&) = default;

private:
    explicit TransmitterSelection(std::variant<TransponderPair, Transmitter> value)
        : value_(std::move(value))
    {
    }
    std::variant<TransponderPair, Transmitter> value_;
};

// The choices of a satellite: every transmitter exactly once, as one side of
// a pair or on its own; pairs first (passband pairs, then pairs by name,
// then single-frequency pairs), then the rest in list order.
std::vector<TransmitterSelection> buildTransmitterSelections(const std::vector<Transmitter>& transmitters);
std::vector<TransmitterSelection> buildTransmitterSelections(const Satellite& satellite);

// Modes are compatible when equal after upper-casing and dropping spaces,
// or when both belong to the sideband/CW family (SSB, USB, LSB, CW, SSB/CW,
// CW/SSB).
bool modesAreCompatible(std::string_view a, std::string_view b);

// The lower-cased name before a suffix such as "(DL)" (matched ignoring
// case, after trimming blanks), or absent when the text does not end in the
// suffix or nothing is left before it.
std::optional<std::string> pairingPrefix(std::string_view text, std::string_view suffix);

} // namespace zelvane

template <>
struct std::hash<zelvane::TransponderPair> {
    std::size_t operator()(const zelvane::TransponderPair& p) const noexcept;
};

template <>
struct std::hash<zelvane::TransmitterSelection> {
    std::size_t operator()(const zelvane::TransmitterSelection& s) const noexcept;
};
