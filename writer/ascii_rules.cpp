#include "writer/ascii_rules.h"

namespace writer {
namespace {

// In test order. The key "!" has two rules with the same replacement; only the
// first can ever apply, and the table keeps both as they are.
// clang-format off
constexpr std::array<AsciiRule, kRuleCount> kRules{{
    {u'a', u"@"},  // 1
    {u'b', u"\u00FE"},  // 2
    {u'c', u"\u00A9"},  // 3
    {u'd', u"d"},  // 4
    {u'e', u"\u00EB"},  // 5
    {u'f', u"F"},  // 6
    {u'g', u"g"},  // 7
    {u'h', u"|-|"},  // 8
    {u'i', u"\u00EE"},  // 9
    {u'j', u"j"},  // 10
    {u'k', u"|<"},  // 11
    {u'l', u"\u00A3"},  // 12
    {u'm', u"/\\/\\"},  // 13
    {u'n', u"\u00F1"},  // 14
    {u'o', u"\u00F8"},  // 15
    {u'p', u"p"},  // 16
    {u'q', u"q"},  // 17
    {u'r', u"\u00AE"},  // 18
    {u's', u"$"},  // 19
    {u't', u"-|-"},  // 20
    {u'u', u"\u00FB"},  // 21
    {u'v', u"v"},  // 22
    {u'w', u"vv"},  // 23
    {u'x', u"\u00D7"},  // 24
    {u'y', u"\u00FD"},  // 25
    {u'z', u"z"},  // 26
    {u' ', u" "},  // 27
    {u'!', u"\u00A1"},  // 28
    {u'1', u"1"},  // 29
    {u'2', u"2"},  // 30
    {u'3', u"3"},  // 31
    {u'4', u"4"},  // 32
    {u'5', u"5"},  // 33
    {u'6', u"6"},  // 34
    {u'7', u"7"},  // 35
    {u'8', u"8"},  // 36
    {u'9', u"9"},  // 37
    {u'0', u"0"},  // 38
    {u'A', u"\u00C5"},  // 39
    {u'B', u"\u00DF"},  // 40
    {u'C', u"\u00C7"},  // 41
    {u'D', u"\u00D0"},  // 42
    {u'E', u"\u00CB"},  // 43
    {u'F', u"\u00ABF\u00BB"},  // 44
    {u'G', u"G"},  // 45
    {u'H', u"{)}-{(}"},  // 46
    {u'I', u"\u00CE"},  // 47
    {u'J', u"J"},  // 48
    {u'K', u"{]}<"},  // 49
    {u'L', u"\u00A3"},  // 50
    {u'M', u"{(}V{)}"},  // 51
    {u'N', u"{]}\\{[}"},  // 52
    {u'O', u"\u00D5"},  // 53
    {u'P', u"\u00B6"},  // 54
    {u'Q', u"`Q"},  // 55
    {u'R', u"\u00B0R\u00B0"},  // 56
    {u'S', u"\u00A7"},  // 57
    {u'T', u"T"},  // 58
    {u'U', u"\u00DC"},  // 59
    {u'V', u"\\/"},  // 60
    {u'W', u"\\X/"},  // 61
    {u'X', u"><"},  // 62
    {u'Y', u"\u00A5"},  // 63
    {u'Z', u"Z"},  // 64
    {u'~', u"~"},  // 65
    {u'`', u"`"},  // 66
    {u'!', u"\u00A1"},  // 67
    {u'@', u"\u00E4"},  // 68
    {u'#', u"#"},  // 69
    {u'$', u"$"},  // 70
    {u'%', u"%"},  // 71
    {u'^', u"{^}"},  // 72
    {u'&', u"&"},  // 73
    {u'*', u"*"},  // 74
    {u'(', u"{(}"},  // 75
    {u')', u"{)}"},  // 76
    {u'-', u"-"},  // 77
    {u'_', u"_"},  // 78
    {u'+', u"+"},  // 79
    {u'=', u"="},  // 80
    {u'[', u"{[}"},  // 81
    {u']', u"{]}"},  // 82
    {u'{', u"{{}"},  // 83
    {u'}', u"{}}"},  // 84
    {u':', u":"},  // 85
    {u';', u";"},  // 86
    {u'\'', u"'"},  // 87
    {u',', u","},  // 88
    {u'.', u"."},  // 89
    {u'<', u"<"},  // 90
    {u'>', u">"},  // 91
    {u'?', u"\u00BF"},  // 92
}};
// clang-format on

}  // namespace

const std::array<AsciiRule, kRuleCount>& AsciiRules() { return kRules; }

}  // namespace writer
