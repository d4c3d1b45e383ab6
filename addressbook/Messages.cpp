#include "addressbook/Messages.h"

namespace tallowby {

std::string NotInstalledMessage() {
    std::string text;
    text += "Lotus Notes NOT INSTALLED or CONFIGURED Properly.";
    text += "\r\n";
    text += "\r\n";
    text += "If Lotus Notes is installed and configured properly and you still get this error message";
    text += "\r\n";
    text += "then make sure your Lotus Notes Client is configured as stand alone client (does not look for Domino).";
    text += "\r\n";
    text += "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.";
    text += "\r\n";
    text += "Please contact our technical team at ";
    text += kSupportAddress;
    text += " for further assistance.";
    text += "\r\n";
    text += "\r\n";
    text += "Make sure you logged in under same user account through which Notes is installed.";
    return text;
}

} // namespace tallowby
