#include "storage/password_rules.h"

#include "storage/gbk.h"

namespace kerfolio {

bool PasswordMatches(std::string_view stored, std::string_view typed) {
    return stored == typed;
}

PromptOutcome JudgePrompt(int passwordMode, std::string_view stored, std::string_view typed) {
    const bool right = PasswordMatches(stored, typed);
    if (passwordMode == kStartupPasswordMode && !right) return PromptOutcome::CloseProgram;
    if (passwordMode == kUnlockPasswordMode && right) return PromptOutcome::UnlockOptions;
    return PromptOutcome::Nothing;
}

PasswordChange JudgePasswordChange(std::string_view stored, std::string_view oldText,
                                   std::string_view newText) {
    if (!PasswordMatches(stored, oldText)) {
        return {PasswordChange::Outcome::WrongOld, std::string(kWrongOldPasswordText)};
    }
    if (newText.empty()) return {PasswordChange::Outcome::EmptyNew, std::string(kEmptyNewPasswordText)};
    if (const std::string outside = CharactersOutsideGbk(newText); !outside.empty()) {
        return {PasswordChange::Outcome::Unstorable, std::string(kUnstorablePasswordText) + outside};
    }
    return {PasswordChange::Outcome::Store, std::string(kPasswordChangedText)};
}

}  // namespace kerfolio
