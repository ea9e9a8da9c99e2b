#include "shell/clsPlacementText.h"

#include "shell/modPrivate.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

QString singleText(double v) {
    return modPrivate::NumberText(static_cast<double>(static_cast<float>(v)), 7);
}

// The number a field holds, or nothing for an empty or non-numeric field.
std::optional<double> numberIn(const QStringList& fields, int i) {
    static const QRegularExpression leadingNumber(QStringLiteral("^\\s*[+-]?(\\d|\\.\\d)"));
    if (i >= fields.size() || !leadingNumber.match(fields[i]).hasMatch()) {
        return std::nullopt;
    }
    return modPrivate::Val(fields[i]);
}

} // namespace

QString clsPlacementText::BoundsText(const Bounds& outer) {
    return QStringLiteral(",%1,%2,%3,%4,")
        .arg(singleText(outer.Left), singleText(outer.Top), singleText(outer.Width),
             singleText(outer.Height));
}

std::optional<QString> clsPlacementText::ForSaving(State state, const Bounds& outer,
                                                   const QString& stored) {
    switch (state) {
    case State::Normal:
        return QStringLiteral("0") + BoundsText(outer);
    case State::Maximised:
        if (stored.size() >= 2) {
            return QStringLiteral("2") + stored.mid(1);
        }
        return QStringLiteral("2") + BoundsText(outer);
    case State::Minimised:
        break;
    }
    return std::nullopt;
}

std::optional<clsPlacementText::Placement> clsPlacementText::Parse(const QString& value) {
    if (value.isEmpty()) {
        return std::nullopt;
    }
    const QStringList fields = value.split(QLatin1Char(','));
    Placement placement;
    const std::optional<double> state = numberIn(fields, 0);
    placement.Maximised = state && *state == 2;
    const std::optional<double> left = numberIn(fields, 1);
    const std::optional<double> top = numberIn(fields, 2);
    if (left && top) {
        placement.Left = left;
        placement.Top = top;
    }
    const std::optional<double> width = numberIn(fields, 3);
    const std::optional<double> height = numberIn(fields, 4);
    if (width && height && *width >= 1 && *height >= 1) {
        placement.Width = width;
        placement.Height = height;
    }
    return placement;
}
