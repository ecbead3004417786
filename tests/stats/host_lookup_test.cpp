#include "stats/host_lookup.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <mutex>

#include "decode/registry.h"
#include "support/builders.h"

namespace kestle {
namespace {

using test::ParseIPv4;

// A node table with MAC, IPv4 and IPv6 entries.
struct Nodes {
  NodeRegistry reg;
  Nodes(std::initializer_list<const char*> ipv4s) {
    uint8_t mac[6] = {0, 0, 0, 0, 0, 1};
    for (const char* a : ipv4s) {
      ++mac[5];
      if (*a == 'v')
        reg.RegisterNode(mac, 0, a + 1);  // "vfe80::1": a named (IPv6) entry
      else
        reg.RegisterNode(mac, ParseIPv4(a), "");
    }
  }
  uint32_t IndexOf(const char* a) const {
    for (uint32_t i = 1; i < reg.NodeTable.size(); ++i)
      if (reg.NodeTable[i].IPv4 == ParseIPv4(a)) return i;
    return 0;
  }
  const std::string& HostOf(const char* a) const { return reg.NodeTable[IndexOf(a)].HostName; }
};

// Answers from a table, recording the addresses asked for.
struct FakeResolver {
  std::map<uint32_t, std::string> names;
  std::mutex m;
  std::vector<uint32_t> asked;
  std::optional<std::string> operator()(uint32_t a) {
    std::lock_guard lock(m);
    asked.push_back(a);
    auto it = names.find(a);
    if (it == names.end()) return std::nullopt;
    return it->second;
  }
  std::vector<uint32_t> Asked() {
    std::lock_guard lock(m);
    return asked;
  }
};

TEST(HostLookup, ResolvesTheIPv4EntriesInTableOrder) {
  Nodes n({"10.0.0.3", "vfe80::1", "10.0.0.1", "10.0.0.2"});
  FakeResolver fake;
  fake.names = {{ParseIPv4("10.0.0.3"), "three"}, {ParseIPv4("10.0.0.1"), "one"}};
  std::atomic<int> woken{0};
  HostLookup lookup([&](uint32_t a) { return fake(a); }, [&] { ++woken; });
  EXPECT_TRUE(lookup.Finished());
  lookup.Start(n.reg, 1);
  lookup.Wait();
  EXPECT_TRUE(lookup.Finished());
  // Only IPv4 entries, by ascending index; the MAC and IPv6 entries are not asked for.
  std::vector<uint32_t> expected;
  for (uint32_t i = 1; i < n.reg.NodeTable.size(); ++i)
    if (n.reg.NodeTable[i].IPv4) expected.push_back(n.reg.NodeTable[i].IPv4);
  EXPECT_EQ(fake.Asked(), expected);
  EXPECT_EQ(expected.size(), 3u);
  // Nothing is written until the window thread takes the names.
  EXPECT_EQ(n.HostOf("10.0.0.3"), "");
  EXPECT_EQ(woken.load(), 2);
  const std::vector<uint32_t> written = lookup.Deliver(n.reg, 1);
  EXPECT_EQ(written, (std::vector<uint32_t>{n.IndexOf("10.0.0.3"), n.IndexOf("10.0.0.1")}));
  EXPECT_EQ(n.HostOf("10.0.0.3"), "three");
  EXPECT_EQ(n.HostOf("10.0.0.1"), "one");
  EXPECT_EQ(n.HostOf("10.0.0.2"), "");  // no answer: left empty
  EXPECT_TRUE(lookup.Deliver(n.reg, 1).empty());
}

TEST(HostLookup, FailuresLeaveTheNameEmpty) {
  Nodes n({"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  int woken = 0;
  HostLookup lookup(
      [](uint32_t a) -> std::optional<std::string> {
        if (a == ParseIPv4("10.0.0.1")) throw std::runtime_error("resolver broke");
        if (a == ParseIPv4("10.0.0.2")) return std::string();  // an empty answer
        return "three";
      },
      [&] { ++woken; });
  lookup.Start(n.reg, 4);
  lookup.Wait();
  EXPECT_EQ(lookup.Deliver(n.reg, 4), (std::vector<uint32_t>{n.IndexOf("10.0.0.3")}));
  EXPECT_EQ(n.HostOf("10.0.0.1"), "");
  EXPECT_EQ(n.HostOf("10.0.0.2"), "");
  EXPECT_EQ(woken, 1);
}

TEST(HostLookup, TableWithoutIPv4EntriesEndsAtOnce) {
  Nodes n({"vfe80::1"});
  FakeResolver fake;
  HostLookup lookup([&](uint32_t a) { return fake(a); });
  lookup.Start(n.reg, 1);
  lookup.Wait();
  EXPECT_TRUE(fake.Asked().empty());
  NodeRegistry empty;
  lookup.Start(empty, 2);
  lookup.Wait();
  EXPECT_TRUE(fake.Asked().empty());
}

TEST(HostLookup, StopWaitsForTheLookupInProgressAndAsksNoMore) {
  Nodes n({"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  std::promise<void> entered, release;
  std::shared_future<void> released = release.get_future().share();
  FakeResolver fake;
  fake.names = {{ParseIPv4("10.0.0.1"), "one"},
                {ParseIPv4("10.0.0.2"), "two"},
                {ParseIPv4("10.0.0.3"), "three"}};
  HostLookup lookup([&](uint32_t a) {
    auto r = fake(a);
    if (a == ParseIPv4("10.0.0.2")) {
      entered.set_value();
      released.wait();
    }
    return r;
  });
  lookup.Start(n.reg, 1);
  entered.get_future().wait();
  EXPECT_TRUE(lookup.Active());
  EXPECT_FALSE(lookup.Finished());
  lookup.RequestStop();
  // The window thread is not needed for the thread to end: Stop returns
  // once the look-up in progress does.
  auto stopped = std::async(std::launch::async, [&] { lookup.Stop(); });
  EXPECT_EQ(stopped.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
  release.set_value();
  stopped.get();
  EXPECT_FALSE(lookup.Active());
  EXPECT_EQ(fake.Asked(), (std::vector<uint32_t>{ParseIPv4("10.0.0.1"), ParseIPv4("10.0.0.2")}));
  // The answer that was in progress still arrives.
  lookup.Deliver(n.reg, 1);
  EXPECT_EQ(n.HostOf("10.0.0.1"), "one");
  EXPECT_EQ(n.HostOf("10.0.0.2"), "two");
  EXPECT_EQ(n.HostOf("10.0.0.3"), "");
  lookup.Stop();  // stopping again does nothing
}

TEST(HostLookup, AnswersOfAnEarlierLoadAreDropped) {
  Nodes first({"10.0.0.1", "10.0.0.2"});
  FakeResolver fake;
  fake.names = {{ParseIPv4("10.0.0.1"), "one"},
                {ParseIPv4("10.0.0.2"), "two"},
                {ParseIPv4("10.0.0.7"), "seven"}};
  HostLookup lookup([&](uint32_t a) { return fake(a); });
  lookup.Start(first.reg, 1);
  lookup.Wait();
  // A new load came before the names were taken.
  EXPECT_TRUE(lookup.Deliver(first.reg, 2).empty());
  EXPECT_EQ(first.HostOf("10.0.0.1"), "");
  EXPECT_TRUE(lookup.Deliver(first.reg, 1).empty());  // dropped, not kept

  // Names found for a table are only written where the entry still holds
  // the address.
  lookup.Start(first.reg, 3);
  lookup.Wait();
  Nodes second({"10.0.0.7", "10.0.0.2"});
  EXPECT_EQ(lookup.Deliver(second.reg, 3), (std::vector<uint32_t>{second.IndexOf("10.0.0.2")}));
  EXPECT_EQ(second.HostOf("10.0.0.7"), "");

  // A new start for the next load: only its own names arrive.
  lookup.Start(first.reg, 4);
  lookup.Wait();
  lookup.Start(second.reg, 5);
  lookup.Wait();
  EXPECT_EQ(lookup.Deliver(second.reg, 5),
            (std::vector<uint32_t>{second.IndexOf("10.0.0.7"), second.IndexOf("10.0.0.2")}));
  EXPECT_EQ(second.HostOf("10.0.0.7"), "seven");
}

TEST(HostLookup, DestroyingARunningLookupJoinsIt) {
  Nodes n({"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  std::atomic<int> calls{0};
  std::promise<void> entered;
  {
    HostLookup lookup([&](uint32_t) -> std::optional<std::string> {
      if (calls++ == 0) entered.set_value();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return std::nullopt;
    });
    lookup.Start(n.reg, 1);
    entered.get_future().wait();
  }
  EXPECT_GE(calls.load(), 1);
  EXPECT_LE(calls.load(), 3);
}

}  // namespace
}  // namespace kestle
