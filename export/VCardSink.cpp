// The vCard file: one card per person document in the view's order, then one per
// group, in UTF-8 with CR LF (VCardWriter.h for the text rules, VCardCards.h for what
// goes into a card). With a split, the cards go into numbered files of at most that
// many cards each ("names-001.vcf", "names-002.vcf" ...); every file stays unseen
// until all are complete, then each is put in place.
#include "export/ExportNames.h"
#include "export/ExportSink.h"
#include "export/VCardCards.h"

#include <algorithm>
#include <optional>

#include <sys/resource.h>

namespace tallowby {

namespace {

// "dir/names.vcf", 2, 3 digits: "dir/names-002.vcf".
std::string NumberedFile(const std::string& path, std::size_t number, int digits) {
    const std::string_view extension = ExtensionOf(path);
    std::string counter = std::to_string(number);
    if (counter.size() < static_cast<std::size_t>(digits)) counter.insert(0, digits - counter.size(), '0');
    return path.substr(0, path.size() - extension.size()) + "-" + counter + std::string(extension);
}

// Every file of a split stays open until all are complete, each with its folder: a
// split into many small files needs more descriptors than the usual soft limit.
void AllowDescriptors(int64_t files) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    const rlim_t wanted = static_cast<rlim_t>(files) * 2 + 64;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);  // short of it, the file past the limit fails to open and says why
}

class VCardSink final : public ExportSink {
public:
    explicit VCardSink(const ExportRequest& request)
        : options_(request.vcard), card_(buffer_, request.vcard.version) {}

    // The groups are cards too, after the persons: the walk gathers who they may name.
    // A person's groups as its categories are needed before the person's own card.
    OverviewNeed NeedsOverview() const override {
        return options_.groupsAsCategories ? OverviewNeed::BeforeWalk : OverviewNeed::GroupsAfterWalk;
    }

    bool Begin(const ExportContext& context) override {
        context_ = &context;
        maker_.emplace(options_, context.overview);
        // Standard output is one stream: the cards follow one another there.
        split_ = IsStandardOutput(context.target) ? 0 : std::max(options_.split, 0);
        if (split_ > 0) {
            const int64_t groups = context.groups;
            const int64_t files = (std::max<int64_t>(context.contacts, 1) + groups + split_ - 1) / split_;
            digits_ = std::max<int>(3, static_cast<int>(std::to_string(files).size()));
            AllowDescriptors(files);
        }
        buffer_.reserve(kBufferSize + 4096);
        return NextFile();  // a target that cannot be written fails before the walk
    }

    bool Contact(ExportContact& contact) override {
        if (!Room()) return false;
        maker_->Person(contact, card_);
        ++counts_.contactsWritten;
        return Written();
    }

    bool Finish() override {
        maker_->SetOverview(context_->overview);
        if (context_->overview != nullptr) {
            for (const BookGroup& group : context_->overview->groups) {
                if (!Room()) return false;
                maker_->Group(group, card_);
                ++counts_.groupsWritten;
                if (!Written()) return false;
            }
        }
        if (!Flush()) return false;
        // Every file is complete before the first takes its place.
        for (const auto& output : outputs_)
            if (!CommitOutput(*output)) return false;
        counts_.valuesWritten = maker_->values();
        counts_.valuesAside = maker_->valuesAside();
        counts_.valuesWithDroppedCharacters = card_.valuesWithDroppedCharacters();
        return true;
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    // Before a card: the next numbered file once this one holds its share.
    bool Room() { return split_ == 0 || inFile_ < split_ || (Flush() && NextFile()); }

    bool NextFile() {
        const std::string path =
            split_ > 0 ? NumberedFile(context_->target, outputs_.size() + 1, digits_) : context_->target;
        auto output = OpenOutput(*context_, path, false);
        if (!output) return false;
        outputs_.push_back(std::move(output));
        inFile_ = 0;
        return true;
    }

    bool Written() {
        ++inFile_;
        return buffer_.size() < kBufferSize || Flush();
    }

    bool Flush() {
        files::Output& output = *outputs_.back();
        files::Problem problem;
        if (!output.Write(buffer_, problem))
            return Failed(std::move(problem), output.path(), output.kind() == files::Output::Kind::InPlace);
        buffer_.clear();
        return true;
    }

    const VCardOptions options_;
    const ExportContext* context_ = nullptr;
    std::optional<vcard::CardMaker> maker_;
    std::string buffer_;
    vcard::CardText card_;
    std::vector<std::unique_ptr<files::Output>> outputs_;
    int32_t split_ = 0, inFile_ = 0;
    int digits_ = 3;
};

} // namespace

std::unique_ptr<ExportSink> MakeVCardSink(const ExportRequest& request) { return std::make_unique<VCardSink>(request); }

} // namespace tallowby
