#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/au/AUParameterTree.h"

using namespace platform;

namespace {

std::shared_ptr<AUParameter> makeParameter(AUParameterAddress address, const char* identifier) {
  return AUParameterTree::createParameter(
      identifier, identifier, address, 0.0f, 1.0f, kAudioUnitParameterUnit_Generic, std::nullopt,
      kAudioUnitParameterFlag_IsWritable | kAudioUnitParameterFlag_IsReadable, {}, {});
}

std::shared_ptr<AUParameterTree> makeTree() {
  return AUParameterTree::createTree({makeParameter(3, "c"), makeParameter(1, "a"), makeParameter(2, "b")});
}

}  // namespace

TEST(ParameterTree, ImplementorCallbacksRunSynchronouslyOnTheSettingThread) {
  const auto tree = makeTree();
  EXPECT_EQ(tree->allParameters()[0]->identifier(), "c");  // flat, in the order given
  EXPECT_EQ(tree->parameterWithAddress(9), nullptr);
  const auto parameter = tree->parameterWithAddress(1);
  parameter->setValue(0.25f);  // no callbacks yet: stored only
  EXPECT_EQ(parameter->value(), 0.25f);
  EXPECT_EQ(parameter->stringFromValue(nullptr), "0.25");

  std::thread::id observedOn;
  AUParameterAddress observedAddress = 0;
  AUValue observedValue = 0.0f;
  float backing = 0.0f;
  tree->setImplementorValueObserver([&](AUParameter* p, AUValue v) {
    observedOn = std::this_thread::get_id();
    observedAddress = p->address();
    observedValue = v;
    backing = v * 2.0f;
  });
  tree->setImplementorValueProvider([&](AUParameter*) { return backing; });
  tree->setImplementorStringFromValueCallback(
      [](AUParameter*, const AUValue* value) { return value ? std::to_string(int(*value)) : std::string("now"); });

  std::thread([&] { parameter->setValue(1.5f); }).join();
  EXPECT_NE(observedOn, std::this_thread::get_id());
  EXPECT_EQ(observedAddress, 1u);
  EXPECT_EQ(observedValue, 1.5f);       // stored unchanged, not clamped
  EXPECT_EQ(parameter->value(), 3.0f);  // the provider answers
  EXPECT_EQ(parameter->storedValue(), 1.5f);
  const AUValue seven = 7.0f;
  EXPECT_EQ(parameter->stringFromValue(&seven), "7");
  EXPECT_EQ(parameter->stringFromValue(nullptr), "now");
}

TEST(ParameterTree, ObserversHearEveryChangeUntilRemoved) {
  const auto tree = makeTree();
  std::vector<std::pair<AUParameterAddress, AUValue>> heard;
  const auto token =
      tree->tokenByAddingParameterObserver([&](AUParameterAddress a, AUValue v) { heard.emplace_back(a, v); });
  int otherCalls = 0;
  tree->tokenByAddingParameterObserver([&](AUParameterAddress, AUValue) { ++otherCalls; });

  tree->parameterWithAddress(3)->setValue(0.5f);
  tree->parameterWithAddress(3)->setValue(0.5f);         // the same value is still a change notice
  tree->parameterWithAddress(2)->setValue(0.1f, token);  // the originator does not hear itself
  EXPECT_EQ(heard, (std::vector<std::pair<AUParameterAddress, AUValue>>{{3, 0.5f}, {3, 0.5f}}));
  EXPECT_EQ(otherCalls, 3);

  tree->removeParameterObserver(token);
  tree->removeParameterObserver(reinterpret_cast<AUParameterObserverToken>(12345));
  tree->parameterWithAddress(1)->setValue(0.9f);
  EXPECT_EQ(heard.size(), 2u);
  EXPECT_EQ(otherCalls, 4);
}

TEST(ParameterTree, ObserversMayComeAndGoWhileOtherThreadsSetValues) {
  const auto tree = makeTree();
  std::atomic<int> calls{0};
  tree->tokenByAddingParameterObserver([&](AUParameterAddress, AUValue) { ++calls; });
  std::atomic<bool> stop{false};
  std::vector<std::thread> setters;
  for (int t = 0; t < 3; ++t)
    setters.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) tree->allParameters()[size_t(t)]->setValue(float(i) / 2000.0f);
    });
  std::thread churn([&] {
    while (!stop)
      tree->removeParameterObserver(tree->tokenByAddingParameterObserver([](AUParameterAddress, AUValue) {}));
  });
  for (auto& setter : setters) setter.join();
  stop = true;
  churn.join();
  EXPECT_EQ(calls.load(), 6000);
}
