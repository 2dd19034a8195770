// What the programs say about themselves: pelorin-cli --help and the manual
// pages of both programs come from the same texts and the same step table,
// so that they cannot drift apart.
#pragma once

#include <string>

namespace pelorin::recipe {

// The text of pelorin-cli --help: the usage, every step with its entries and
// an example, and the exit statuses.
std::string HelpText();

// The text of pelorin --help.
std::string GuiHelpText();

// "NAME VERSION", as --version prints it.
std::string VersionText(const std::string& program);

// The manual pages pelorin-cli(1) and pelorin(1), in man(7) markup.
std::string CliManPage();
std::string GuiManPage();

}  // namespace pelorin::recipe
