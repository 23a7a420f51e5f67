#pragma once

#include "system/UserNotice.h"

#include <string>

namespace orvanel {

// A message box modal to the whole program, OK only, no icon, titled with the program title.
class WinMessageBox : public UserNotice
{
public:
    explicit WinMessageBox(std::string title) : m_title(std::move(title)) {}
    void show(const std::string& text) override;

private:
    std::string m_title;
};

} // namespace orvanel
