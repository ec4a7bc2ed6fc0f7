#include "main/ViewDispatch.h"

#include <array>
#include <utility>

TViewAction FindViewAction(const TExtensionCategories& categories, const QString& name,
                           bool archiveMember)
{
    using C = TExtensionCategory;
    using A = TViewAction;
    using Step = std::pair<C, A>;
    const std::array<Step, 8> disk = {{{C::Image, A::Image},
                                       {C::Text, A::Text},
                                       {C::Sound, A::Sound},
                                       {C::Module, A::Module},
                                       {C::Music, A::Music},
                                       {C::Program, A::Program},
                                       {C::Help, A::Help},
                                       {C::HTML, A::HTML}}};
    std::array<Step, 8> order = disk;
    if (archiveMember)
        std::swap(order[3], order[4]); // music before module
    const QString extension = TExtensionCategories::UpperExtension(name);
    for (const Step& step : order)
        if (categories.Matches(step.first, extension))
            return step.second;
    return A::None;
}
