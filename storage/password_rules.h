#pragma once

#include <string>
#include <string_view>

#include "storage/save_ini.h"

namespace kerfolio {

using save_ini::kDefaultPassword, save_ini::kPasswordKey, save_ini::kPasswordSection;

inline constexpr std::string_view kWrongOldPasswordText = "旧密码不对！";
inline constexpr std::string_view kEmptyNewPasswordText = "新密码不能为空！";
inline constexpr std::string_view kPasswordChangedText = "密码修改成功！";
// Followed by the characters themselves: the file holds GBK only, and a character stored as "?"
// would lock the operator out with a password nobody can type.
inline constexpr std::string_view kUnstorablePasswordText = "新密码中有无法保存的字符：";

// What the prompt is asked for: the start-up check, or unlocking the Options page.
inline constexpr int kStartupPasswordMode = 1;
inline constexpr int kUnlockPasswordMode = 2;

// Exact comparison on purpose: case, blanks and an empty text all count.
bool PasswordMatches(std::string_view stored, std::string_view typed);

enum class PromptOutcome {
    Nothing,        // a right start-up password, or a wrong unlock password (never announced)
    CloseProgram,   // a wrong start-up password
    UnlockOptions,  // a right unlock password
};
PromptOutcome JudgePrompt(int passwordMode, std::string_view stored, std::string_view typed);

// The password change's tests, exclusive and in this order.
struct PasswordChange {
    enum class Outcome {
        WrongOld,    // show message, then empty both fields; nothing is written
        EmptyNew,    // show message; both fields keep their text; nothing is written
        Unstorable,  // the same, for a new password the file cannot hold
        Store,       // write the new password, empty both fields, then show message
    };
    Outcome outcome;
    std::string message;
};
PasswordChange JudgePasswordChange(std::string_view stored, std::string_view oldText,
                                   std::string_view newText);

}  // namespace kerfolio
