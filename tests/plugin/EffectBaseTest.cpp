#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "plugin/EffectFactory.h"
#include "tests/plugin/ProbeEffect.h"
#include "tests/plugin/TestHost.h"

namespace brisko {
namespace {

using testing::ProbeEditor;
using testing::ProbeEffect;
using testing::TestHost;
using testing::TestHostScope;

bool allZero(const void* data, size_t bytes) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < bytes; ++i)
    if (p[i] != 0) return false;
  return true;
}

TEST(EffectBase, ConstructionFillsTheRecord) {
  ProbeEffect effect;
  const AEffect& r = *effect.effectRecord();
  EXPECT_EQ(r.magic, 0x56737450);
  EXPECT_NE(r.dispatcher, nullptr);
  EXPECT_NE(r.process, nullptr);
  EXPECT_NE(r.processReplacing, nullptr);
  EXPECT_NE(r.setParameter, nullptr);
  EXPECT_NE(r.getParameter, nullptr);
  EXPECT_EQ(r.numPrograms, 1);
  EXPECT_EQ(r.numParams, 6);
  EXPECT_EQ(r.numInputs, 1);
  EXPECT_EQ(r.numOutputs, 2);
  EXPECT_EQ(r.flags, 0);
  EXPECT_EQ(r.resvd1, 0);
  EXPECT_EQ(r.resvd2, 0);
  EXPECT_EQ(r.initialDelay, 0);
  EXPECT_EQ(r.realQualities, 0);
  EXPECT_EQ(r.offQualities, 0);
  EXPECT_EQ(r.ioRatio, 1.0f);
  EXPECT_EQ(r.object, static_cast<EffectBase*>(&effect));
  EXPECT_EQ(r.user, nullptr);
  EXPECT_EQ(r.uniqueID, 0x4E6F4566);
  EXPECT_EQ(r.version, 1);
  EXPECT_TRUE(allZero(r.future, sizeof r.future));
  EXPECT_EQ(effect.currentSampleRate(), 44100.0f);
  EXPECT_EQ(effect.currentBlockSize(), 1024);
  EXPECT_EQ(effect.currentProgram(), 0);
  EXPECT_EQ(effect.currentEditor(), nullptr);
  EXPECT_EQ(EffectBase::fromRecord(effect.effectRecord()), &effect);
  EXPECT_EQ(EffectBase::fromRecord(nullptr), nullptr);
}

TEST(EffectBase, FlagAndFieldSettersChangeOnlyTheirOwnPart) {
  ProbeEffect effect;
  const AEffect& r = *effect.effectRecord();
  effect.declareVu(true);
  effect.declareClip(true);
  effect.declareMono(true);
  effect.declareReplacing(true);
  effect.declareChunks(true);
  effect.declareSynth(true);
  effect.declareNoTail(true);
  effect.declareAsync(true);
  effect.declareExternalBuffer(true);
  EXPECT_EQ(r.flags, 2 | 4 | 8 | 16 | 32 | 256 | 512 | 1024 | 2048);
  effect.declareClip(false);
  effect.declareSynth(false);
  effect.declareExternalBuffer(false);
  EXPECT_EQ(r.flags, 4 | 8 | 16 | 32 | 512 | 1024);

  effect.assignUniqueId(fourCharCode("BRSK"));
  effect.assignInputCount(2);
  effect.assignOutputCount(6);
  effect.assignRealtimeQualities(3);
  effect.assignOfflineQualities(4);
  effect.assignInitialDelay(256);
  EXPECT_EQ(r.uniqueID, 0x4252534B);
  EXPECT_EQ(r.numInputs, 2);
  EXPECT_EQ(r.numOutputs, 6);
  EXPECT_EQ(r.realQualities, 3);
  EXPECT_EQ(r.offQualities, 4);
  EXPECT_EQ(r.initialDelay, 256);
}

TEST(EffectBase, RecordEntriesReachTheEffect) {
  ProbeEffect effect;
  AEffect* r = effect.effectRecord();
  r->setParameter(r, 2, 0.75f);
  EXPECT_EQ(effect.lastIndex, 2);
  EXPECT_EQ(effect.lastFloat, 0.75f);
  EXPECT_EQ(r->getParameter(r, 2), 0.0f);  // the base stores nothing
  r->process(r, nullptr, nullptr, 0);
  r->processReplacing(r, nullptr, nullptr, 16);  // the base's default does nothing
  EXPECT_EQ(effect.hooks, (std::vector<std::string>{"storeParameter", "processAdding"}));
}

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestHost::reset(2400);
    ProbeEffect::destroyed = 0;
    ProbeEditor::destroyed = 0;
  }
  void TearDown() override {
    TestHost::reset();
    constructionFailed.store(false);
  }
};

TEST_F(EntryTest, AsksTheHostVersionWithANullRecordAndAnswersTheRecord) {
  AEffect* record = createEffectRecord(&TestHost::callback, &ProbeEffect::create);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(TestHost::calls.size(), 1u);
  EXPECT_EQ(TestHost::calls[0].effect, nullptr);
  EXPECT_EQ(TestHost::calls[0].opcode, audioMasterVersion);
  EXPECT_EQ(TestHost::calls[0].index, 0);
  EXPECT_EQ(TestHost::calls[0].value, 0);
  EXPECT_EQ(TestHost::calls[0].ptr, nullptr);
  EXPECT_EQ(TestHost::calls[0].opt, 0.0f);
  EXPECT_EQ(record->magic, kEffectMagic);
  EXPECT_EQ(static_cast<ProbeEffect*>(EffectBase::fromRecord(record))->hostFunction(), &TestHost::callback);
  EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(EntryTest, CloseRunsTheCloseHookThenDestroysTheEffectAndEditorOnce) {
  AEffect* record = createEffectRecord(&TestHost::callback, &ProbeEffect::create);
  ASSERT_NE(record, nullptr);
  auto* effect = static_cast<ProbeEffect*>(EffectBase::fromRecord(record));
  effect->attachEditor(new ProbeEditor(effect));
  EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(ProbeEffect::destroyed, 1);
  EXPECT_EQ(ProbeEffect::hooksAtDestruction, std::vector<std::string>{"onClose"});
  EXPECT_EQ(ProbeEditor::destroyed, 1);
}

TEST_F(EntryTest, AHostWithoutAVersionGetsNoEffect) {
  TestHost::answer = 0;
  EXPECT_EQ(createEffectRecord(&TestHost::callback, &ProbeEffect::create), nullptr);
  EXPECT_EQ(ProbeEffect::destroyed, 0);  // none was made
  EXPECT_EQ(createEffectRecord(nullptr, &ProbeEffect::create), nullptr);
}

TEST_F(EntryTest, FailedConstructionGivesNullAndLeavesNothing) {
  EXPECT_EQ(createEffectRecord(&TestHost::callback,
                               [](HostCallback) -> EffectBase* { throw std::bad_alloc(); }),
            nullptr);
  constructionFailed.store(true);
  EXPECT_EQ(createEffectRecord(&TestHost::callback, &ProbeEffect::create), nullptr);
  EXPECT_EQ(ProbeEffect::destroyed, 1);
  EXPECT_EQ(createEffectRecord(&TestHost::callback, &ProbeEffect::create), nullptr);
  EXPECT_EQ(ProbeEffect::destroyed, 2);
}

TEST(EffectBase, ANullRecordReachesNothing) {
  ProbeEffect effect;
  AEffect* r = effect.effectRecord();
  EXPECT_EQ(r->dispatcher(nullptr, effClose, 0, 0, nullptr, 0.0f), 0);
  r->process(nullptr, nullptr, nullptr, 4);
  r->processReplacing(nullptr, nullptr, nullptr, 4);
  r->setParameter(nullptr, 0, 1.0f);
  EXPECT_EQ(r->getParameter(nullptr, 0), 0.0f);
  EXPECT_TRUE(effect.hooks.empty());
}

class Arrangements : public ::testing::Test {
 protected:
  void TearDown() override {
    effect.releaseArrangement(&a);
    effect.releaseArrangement(&b);
  }
  ProbeEffect effect;
  VstSpeakerArrangement* a = nullptr;
  VstSpeakerArrangement* b = nullptr;
};

TEST_F(Arrangements, CreateGivesAZeroedRecordOfExactlyItsChannels) {
  ASSERT_TRUE(effect.createArrangement(&a, 2));
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->numChannels, 2);
  EXPECT_EQ(a->type, 0);
  EXPECT_TRUE(allZero(reinterpret_cast<const char*>(a) + 8, 2 * 112));  // 232 bytes in all
  // Creating again releases the first record (the leak checker sees it).
  ASSERT_TRUE(effect.createArrangement(&a, 12));
  EXPECT_EQ(a->numChannels, 12);
  EXPECT_TRUE(effect.releaseArrangement(&a));
  EXPECT_EQ(a, nullptr);
  EXPECT_TRUE(effect.releaseArrangement(&a));
}

TEST_F(Arrangements, BadRequestsAnswerFalseAndLeaveTheSlot) {
  VstSpeakerArrangement* untouched = reinterpret_cast<VstSpeakerArrangement*>(&effect);
  b = nullptr;
  EXPECT_FALSE(effect.createArrangement(nullptr, 2));
  EXPECT_FALSE(effect.createArrangement(&b, -1));
  EXPECT_EQ(b, nullptr);
  EXPECT_FALSE(effect.releaseArrangement(nullptr));
  EXPECT_FALSE(effect.mirrorArrangement(&untouched, nullptr));
  EXPECT_EQ(untouched, reinterpret_cast<VstSpeakerArrangement*>(&effect));
  EXPECT_FALSE(effect.copySpeakerProperties(nullptr, nullptr));
}

TEST_F(Arrangements, MirrorCopiesTypeAndEveryChannel) {
  ASSERT_TRUE(effect.createArrangement(&a, 10));
  a->type = 7;
  auto* speakers = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(a) + 8);
  for (int i = 0; i < 10; ++i) {
    speakers[i].azimuth = static_cast<float>(i);
    speakers[i].elevation = 0.5f;
    speakers[i].radius = 2.0f;
    speakers[i].reserved = 3.0f;
    speakers[i].type = 100 + i;
    std::memset(speakers[i].name, 'n', sizeof speakers[i].name);  // unterminated
    std::memset(speakers[i].future, i, sizeof speakers[i].future);
  }
  ASSERT_TRUE(effect.createArrangement(&b, 1));
  ASSERT_TRUE(effect.mirrorArrangement(&b, a));
  ASSERT_EQ(b->numChannels, 10);
  EXPECT_EQ(b->type, 7);
  const auto* copies = reinterpret_cast<const VstSpeakerProperties*>(reinterpret_cast<const char*>(b) + 8);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(copies[i].azimuth, static_cast<float>(i));
    EXPECT_EQ(copies[i].elevation, 0.5f);
    EXPECT_EQ(copies[i].radius, 2.0f);
    EXPECT_EQ(copies[i].reserved, 3.0f);
    EXPECT_EQ(copies[i].type, 100 + i);
    EXPECT_EQ(std::strlen(copies[i].name), 63u);  // cut to its field
    EXPECT_EQ(copies[i].future[27], static_cast<char>(i));
  }
  // A record mirrored onto itself stays as it is.
  VstSpeakerArrangement* same = a;
  EXPECT_TRUE(effect.mirrorArrangement(&same, a));
  EXPECT_EQ(same, a);
  EXPECT_EQ(a->numChannels, 10);
}

}  // namespace
}  // namespace brisko
