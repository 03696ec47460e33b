#pragma once
// How the save steps report to the window and the command line: the saving
// flag (cleared to stop a save), the repair log, the progress caption.
#include <chrono>
#include <string>
#include <string_view>

namespace tarvex::writer {

bool Saving();
void Log(const std::u16string& line);
void Log(std::string_view utf8Line);
void SetCaption(const std::u16string& caption);
// Ends a step: a full bar, then a pause so that it is seen.
void FinishStep(std::chrono::milliseconds pause);

}  // namespace tarvex::writer
