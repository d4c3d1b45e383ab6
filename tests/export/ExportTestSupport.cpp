#include "ExportTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tallowby::test {

const char* const kHeaderTexts[39] = {
    "First Name", "Middle Name", "Last Name", "Email", "Suffix", "Title", "Company",
    "Job Title", "Location", "Website", "Department", "Manager", "Assistant",
    "Business Street Address", "Business City", "Business Zip/Postal Code",
    "Business State", "Business Country", "Business Phone Number", "Business FAX",
    "Business CellPhone", "Business Pager", "Business Other Email 1",
    "Business Other Email 2", "Business Other Email 3", "Personal Street Address",
    "Personal City", "Personal Zip/Postal Code", "Personal State", "Personal Country",
    "Personal Phone Number", "Personal FAX", "Personal CellPhone", "Birthday",
    "Anniversary", "Spouse", "Children", "Category", "Comments",
};

const char* const kItemNames[39] = {
    "FirstName", "MiddleInitial", "LastName", "MailAddress", "Suffix", "Title",
    "CompanyName", "JobTitle", "Location", "WebSite", "Department", "Manager", "Assistant",
    "OfficeStreetAddress", "OfficeCity", "OfficeZip", "OfficeState", "OfficeCountry",
    "OfficePhoneNumber", "OfficeFAXPhoneNumber", "CellPhoneNumber", "PhoneNumber_6",
    "MiscPhone1", "MiscPhone2", "MiscPhone3", "StreetAddress", "City", "Zip", "State",
    "Country", "PhoneNumber", "HomeFAXPhoneNumber", "PersPager", "Birthday", "Anniversary",
    "Spouse", "Children", "Categories", "Comment",
};

// Suffix and Title come before Email, the office address before Location, Spouse
// and Children before the personal phones, Comments before Category.
const unsigned kColumnsInWriteOrder[39] = {
    1, 2, 3, 5, 6, 4, 7, 8, 14, 15, 16, 17, 18, 9, 10, 11, 12, 13, 19, 20,
    21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 36, 37, 31, 32, 33, 34, 35, 39, 38,
};

int RunProgram(const std::vector<std::string>& argv, const std::string& outFile,
               const std::string& errFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> text = argv;
    std::vector<char*> args;
    for (std::string& arg : text) args.push_back(arg.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

FakeDocumentData DocumentNamingItsItems() {
    FakeDocumentData data;
    for (const char* item : kItemNames) data.items[item] = {NotesValue(std::string(item))};
    return data;
}

} // namespace tallowby::test
