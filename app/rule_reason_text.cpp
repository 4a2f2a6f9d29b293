#include "app/rule_reason_text.h"

#include <vector>

#include "messages/message_ids.h"

namespace vq {

namespace {

// Every sentence and word of the rules is the message its id names: a message that leaves the
// table, or is renumbered, stops the build here instead of showing "[message 23260]".
#define VQ_REASON(name) static_assert(static_cast<int>(ReasonId::name) == msg::Rule##name)
VQ_REASON(Warning);
VQ_REASON(Alarm);
VQ_REASON(Stel);
VQ_REASON(Twa);
VQ_REASON(AutoCalValue);
VQ_REASON(FullScale);
VQ_REASON(Resolution);
VQ_REASON(UserId);
VQ_REASON(Station);
VQ_REASON(SerialNumber);
VQ_REASON(NotSet);
VQ_REASON(SettingTypeNumber);
VQ_REASON(SettingHcMode);
VQ_REASON(SettingAlarmPattern);
VQ_REASON(SettingCalLimitDisplay);
VQ_REASON(SettingCalLimitCheck);
VQ_REASON(SettingConfirmationBeep);
VQ_REASON(SettingLoggerOverwrite);
VQ_REASON(SettingBacklightTime);
VQ_REASON(SettingAutoBacklight);
VQ_REASON(SettingBumpTime);
VQ_REASON(SettingBumpThreshold);
VQ_REASON(SettingBumpFailCalTime);
VQ_REASON(SettingBumpFailAfter);
VQ_REASON(SettingLcBhMode);
VQ_REASON(SettingBarHoleTime);
VQ_REASON(SettingLeakCheckBuzzer);
VQ_REASON(SettingAlarmFunction);
VQ_REASON(SettingStelTwaFunction);
VQ_REASON(SettingOxygenAlarmType);
VQ_REASON(SettingCalTimeLimit);
VQ_REASON(SettingLoggingInterval);
VQ_REASON(SettingAutoZero);
VQ_REASON(SettingDemandZero);
VQ_REASON(NotBetween);
VQ_REASON(NotOneOf);
VQ_REASON(LevelNotSendable);
VQ_REASON(ScaleNoValue);
VQ_REASON(ScaleNotAboveZero);
VQ_REASON(ScaleTooWide);
VQ_REASON(UnitNotKnown);
VQ_REASON(OnChannel);
VQ_REASON(GasNoName);
VQ_REASON(ResolutionAboveFullScale);
VQ_REASON(OnLibraryEntry);
VQ_REASON(RatioNotNumber);
VQ_REASON(Named);
VQ_REASON(DestinationNotType);
VQ_REASON(OnStationEntry);
VQ_REASON(VoltageZero);
VQ_REASON(RatioNotAboveZero);
VQ_REASON(CoefficientNotNumber);
VQ_REASON(LevelTextNotNumber);
VQ_REASON(LevelTextNegative);
VQ_REASON(ControlCharacter);
VQ_REASON(ByteNotAscii);
VQ_REASON(CharacterNotAllowed);
VQ_REASON(TextTooLong);
VQ_REASON(LevelOnChannel);
VQ_REASON(LevelNoSuchPoint);
VQ_REASON(LevelMustBeSet);
VQ_REASON(LevelOutside);
VQ_REASON(LevelBelow);
VQ_REASON(LevelAbove);
VQ_REASON(WarningNotAtOrAbove);
VQ_REASON(WarningNotAtOrBelow);
VQ_REASON(LevelAboveFullScale);
#undef VQ_REASON

}  // namespace

std::string ReasonText(Language language, const Reason& reason) {
    switch (reason.id) {
        case ReasonId::None:
            return {};
        case ReasonId::Text:
            return reason.text;
        default:
            break;
    }
    std::vector<std::string> args;
    args.reserve(reason.args.size());
    for (const Reason& arg : reason.args) args.push_back(ReasonText(language, arg));
    return ResMessage(language, static_cast<int>(reason.id), args);
}

std::string ReasonText(const Reason& reason) {
    return ReasonText(currentLanguage(), reason);
}

}  // namespace vq
