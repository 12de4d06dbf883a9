#include "model/Notify.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace lay;

TEST(Notifier, FiresOncePerTransition) {
    TNotifier notifier;
    int calls = 0;
    notifier.OnChange = [&](TNotifier* sender) {
        EXPECT_EQ(sender, &notifier);
        ++calls;
    };
    TNotifyObject object(&notifier);
    object.Changed();
    object.Changed();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(notifier.Modified);
    EXPECT_TRUE(object.Modified());

    notifier.ClearModified();
    EXPECT_TRUE(object.Modified()) << "the shared flag and the object's own flag are separate";
    object.Changed();
    EXPECT_EQ(calls, 2);

    object.ClearModified();
    EXPECT_FALSE(object.Modified());
    EXPECT_TRUE(notifier.Modified);
}

TEST(Notifier, ObjectWithoutNotifierReachesNobody) {
    TNotifyObject scratch(nullptr);
    scratch.Changed();
    EXPECT_TRUE(scratch.Modified());
}

TEST(NotifyLinks, NewestLinkIsCalledFirst) {
    TNotifyLinks links;
    std::string order;
    TObject sender;
    auto a = links.AddLink([&](TObject* s) {
        EXPECT_EQ(s, &sender);
        order += 'A';
    });
    auto b = links.AddLink([&](TObject*) { order += 'B'; });
    auto c = links.AddLink([&](TObject*) { order += 'C'; });
    links.Notify(&sender);
    EXPECT_EQ(order, "CBA");

    b.reset();
    order.clear();
    links.Notify(&sender);
    EXPECT_EQ(order, "CA") << "a destroyed link is no longer called";
    EXPECT_EQ(links.Count(), 2);
}

TEST(NotifyLinks, MovingAndReRegisteringALink) {
    TNotifyLinks first, second;
    int calls = 0;
    TNotifyLink link(&first);
    link.OnNotify = [&](TObject*) { ++calls; };

    link.SetLinks(&first);
    EXPECT_EQ(first.Count(), 1) << "the same registry changes nothing";

    link.SetLinks(&second);
    EXPECT_EQ(first.Count(), 0);
    EXPECT_EQ(second.Count(), 1);
    EXPECT_EQ(link.Links(), &second);
    first.Notify(nullptr);
    EXPECT_EQ(calls, 0);
    second.Notify(nullptr);
    EXPECT_EQ(calls, 1);

    TNotifyLink unassigned(&second);
    second.Notify(nullptr); // a link without a handler is skipped
    EXPECT_EQ(calls, 2);
}

TEST(NotifyLinks, AHandlerMayDropItsOwnLink) {
    TNotifyLinks links;
    int calls = 0;
    std::unique_ptr<TNotifyLink> a = links.AddLink([&](TObject*) { ++calls; });
    std::unique_ptr<TNotifyLink> self;
    self = links.AddLink([&](TObject*) {
        ++calls;
        self.reset();
    });
    links.Notify(nullptr);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(links.Count(), 1);
}

TEST(NotifyLinks, LinksOutliveTheirRegistry) {
    auto links = std::make_unique<TNotifyLinks>();
    TNotifyLink link(links.get());
    links.reset();
    EXPECT_EQ(link.Links(), nullptr);
    // Destroying the link afterwards must not touch the freed registry (checked under ASan).
}
