// The export into rows: a layout (ColumnLayout.cpp, FullLayout.cpp) on a sheet format
// (XlsSheet, XlsxSheet, CsvSheet). The groups of a layout that lists them go to the
// workbook's second sheet, or for CSV to a second file beside the first
// ("names-full-groups.csv").
#include "export/ExportSink.h"
#include "export/RowLayout.h"

namespace tallowby {

namespace {

// "dir/names-full.csv" gives "dir/names-full-groups.csv".
std::string GroupsFileFor(const std::string& path) {
    const std::string_view extension = ExtensionOf(path);
    return path.substr(0, path.size() - extension.size()) + "-groups" + std::string(extension);
}

class SheetSink final : public ExportSink {
public:
    SheetSink(ExportFormat format, std::unique_ptr<RowLayout> layout) : format_(format), layout_(std::move(layout)) {
        sheet_ = MakeContactSheet(format_);
    }

    OverviewNeed NeedsOverview() const override {
        return layout_->NeedsOverview() ? OverviewNeed::BeforeWalk : OverviewNeed::None;
    }
    int32_t MaxContacts() const override { return sheet_->MaxContacts(); }

    bool Begin(const ExportContext& context) override {
        context_ = &context;
        info_ = SheetInfo{context.title, context.contacts, context.bookBytes, context.request.csvFormulas};
        output_ = OpenOutput(context, context.target, sheet_->Staged());
        if (!output_) return false;
        const SheetColumns columns = layout_->Columns(context.overview);
        row_.assign(columns.headers.size(), std::string());
        return Check(*sheet_, *output_, sheet_->Begin(*output_, info_, columns));
    }

    bool Contact(ExportContact& contact) override {
        row_.assign(row_.size(), std::string());
        layout_->Fill(contact, row_);
        if (!Check(*sheet_, *output_, sheet_->WriteRow(row_))) return false;
        ++counts_.contactsWritten;
        return true;
    }

    bool Finish() override {
        if (layout_->HasGroups() && context_->overview != nullptr && !WriteGroups()) return false;

        if (!Check(*sheet_, *output_, sheet_->Finish())) return false;
        if (groupsSheet_ && !Check(*groupsSheet_, *groupsOutput_, groupsSheet_->Finish())) return false;
        // Both files are complete before either takes its place.
        if (!CommitOutput(*output_, sheet_->Verifier())) return false;
        if (groupsOutput_ && !CommitOutput(*groupsOutput_, groupsSheet_->Verifier())) return false;
        const SheetCounts& counts = sheet_->counts();
        counts_.valuesShortened = counts.shortened;
        counts_.valuesWithDroppedCharacters = counts.controlsDropped;
        counts_.valuesWithLostCharacters = counts.lossy;
        counts_.formulaValues = counts.formulas + (groupsSheet_ ? groupsSheet_->counts().formulas : 0);
        counts_.valuesWritten = layout_->values();
        counts_.valuesAside = layout_->valuesAside();
        return true;
    }

private:
    bool WriteGroups() {
        const BookOverview& overview = *context_->overview;
        const SheetColumns columns = layout_->GroupColumns();
        ContactSheet* sheet = sheet_.get();
        files::Output* output = output_.get();
        if (!sheet_->StartSheet("Groups", columns)) {
            if (!sheet_->problem().empty()) return Check(*sheet_, *output_, false);
            // One table a file: the groups, when the book has any, get a file of their own.
            if (overview.groups.empty()) return true;
            groupsOutput_ = OpenOutput(*context_, GroupsFileFor(context_->target), false);
            if (!groupsOutput_) return false;
            groupsSheet_ = MakeContactSheet(format_);
            sheet = groupsSheet_.get();
            output = groupsOutput_.get();
            if (!Check(*sheet, *output, sheet->Begin(*output, info_, columns))) return false;
        }
        Row row;
        for (const BookGroup& group : overview.groups) {
            layout_->FillGroup(group, overview, row);
            if (!Check(*sheet, *output, sheet->WriteRow(row))) return false;
            ++counts_.groupsWritten;
        }
        return true;
    }

    bool Check(const ContactSheet& sheet, const files::Output& output, bool ok) {
        return ok || Failed(sheet.problem(), output.path(), output.kind() == files::Output::Kind::InPlace);
    }

    const ExportFormat format_;
    std::unique_ptr<RowLayout> layout_;
    std::unique_ptr<ContactSheet> sheet_, groupsSheet_;
    std::unique_ptr<files::Output> output_, groupsOutput_;
    const ExportContext* context_ = nullptr;
    SheetInfo info_;
    Row row_;
};

} // namespace

const std::vector<NotesItem>& ExportContact::Items() {
    if (!items_) {
        try {
            items_ = document_.Items();
        } catch (const NotesError&) {
            items_.emplace();  // a document whose items cannot be read gives empty cells
        }
    }
    return *items_;
}

std::unique_ptr<files::Output> ExportSink::OpenOutput(const ExportContext& context, const std::string& path,
                                                      bool staged) {
    files::OutputOptions options = context.outputOptions;
    options.staged = staged;
    files::Problem problem;
    auto output = files::Output::Open(path, options, problem);
    if (!output) Failed(std::move(problem), path);
    return output;
}

bool ExportSink::CommitOutput(files::Output& output, const std::function<bool(int, files::Problem&)>& verify) {
    const std::string path = output.path();
    const bool inPlace = output.kind() == files::Output::Kind::InPlace;
    files::Problem problem;
    if (!output.Commit(problem, verify)) return Failed(std::move(problem), path, inPlace);
    files_.push_back(path);
    return true;
}

bool ExportSink::Failed(files::Problem problem, const std::string& file, bool inPlace) {
    if (problem_.empty()) {
        problem_ = std::move(problem);
        if (problem_.empty()) problem_.reason = "the file could not be written";
        failedFile_ = file;
        failedInPlace_ = inPlace;
    }
    return false;
}

std::unique_ptr<ExportSink> MakeVCardSink(const ExportRequest& request);

std::unique_ptr<ExportSink> MakeExportSink(const ExportRequest& request) {
    if (request.format == ExportFormat::Vcf) return MakeVCardSink(request);
    switch (request.layout) {
    case ExportLayout::Full:
        return std::make_unique<SheetSink>(request.format, MakeFullLayout());
    case ExportLayout::Outlook:
        return std::make_unique<SheetSink>(request.format, MakeOutlookLayout());
    case ExportLayout::Classic:
        break;
    }
    return std::make_unique<SheetSink>(request.format, MakeClassicLayout());
}

} // namespace tallowby
