#include "ui/Accessibility.h"

#include "ui/ClickLabel.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace tallowby {

namespace {

constexpr const char* kDecorative = "tallowbyDecorative";

// A link: its caption as its name, "press" opens what it points to.
class LinkAccessible : public QAccessibleWidget {
public:
    explicit LinkAccessible(ClickLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const ClickLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        return state;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == pressAction())
            static_cast<ClickLabel*>(widget())->activate();
        else
            QAccessibleWidget::doAction(action);
    }
};

// Decoration: present in the tree of objects, but neither shown nor named.
class DecorationAccessible : public QAccessibleWidget {
public:
    explicit DecorationAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Graphic) {}

    QString text(QAccessible::Text) const override { return {}; }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        state.focusable = false;
        return state;
    }
};

QAccessibleInterface* CreateAccessible(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget) return nullptr;
    if (IsDecorative(widget)) return new DecorationAccessible(widget);
    if (className == QLatin1String("tallowby::ClickLabel"))
        return new LinkAccessible(static_cast<ClickLabel*>(widget));
    return nullptr;
}

} // namespace

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(CreateAccessible);
        return true;
    }();
    (void)installed;
}

void MarkDecorative(QWidget* widget) {
    widget->setProperty(kDecorative, true);
    widget->setFocusPolicy(Qt::NoFocus);
}

bool IsDecorative(const QWidget* widget) { return widget->property(kDecorative).toBool(); }

} // namespace tallowby
