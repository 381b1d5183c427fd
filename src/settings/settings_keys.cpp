#include "settings/settings_keys.h"

#include <array>

namespace vantum::settings {
namespace {

constexpr SettingType TypeOf(const Setting<bool>&) { return SettingType::Bool; }
constexpr SettingType TypeOf(const Setting<int>&) { return SettingType::Int; }
constexpr SettingType TypeOf(const Setting<Text>&) { return SettingType::Text; }

std::string DefaultText(const Setting<bool>& s) { return s.def ? "1" : "0"; }
std::string DefaultText(const Setting<int>& s) { return std::to_string(s.def); }
std::string DefaultText(const Setting<Text>& s) { return std::string(s.def); }

}  // namespace

std::span<const SettingInfo> SettingsTable() {
#define VANTUM_SETTING_ROW(name, type_, section_, key_, def_, variant_) \
    SettingInfo{#name, key::name.section, key::name.key, TypeOf(key::name), DefaultText(key::name), variant_},
    static const SettingInfo table[] = {VANTUM_SETTING_KEYS(VANTUM_SETTING_ROW)};
#undef VANTUM_SETTING_ROW
    return table;
}

}  // namespace vantum::settings
