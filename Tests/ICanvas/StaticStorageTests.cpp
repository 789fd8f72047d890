#include "ICanvasCaches.h"
#include "StaticStorage.h"
#include "TestCanvas.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace pwtest;

namespace {

struct Item
{
  Item(int v, int* deaths) : value(v), deaths(deaths) {}
  ~Item() { ++*deaths; }
  int value;
  int* deaths;
};

} // namespace

TEST(StaticStorageTest, EntriesAreFoundByExactNameAndScaleAndDestroyedOnRemovalOrLastRelease)
{
  int deaths = 0;
  StaticStorage<Item> storage;
  StaticStorage<Item>::Accessor cache(storage);
  EXPECT_EQ(StaticStorage<Item>::Hash("knob.png", 2.0), std::hash<std::string>()("knob.png-2.0x"));

  cache.Retain();
  cache.Retain();
  Item* one = new Item(1, &deaths);
  cache.Add(one, "knob.png", 1.0);
  cache.Add(new Item(2, &deaths), "knob.png", 2.0);
  EXPECT_EQ(cache.Find("knob.png", 1.0), one);
  EXPECT_EQ(cache.Find("knob.png", 2.0)->value, 2);
  EXPECT_TRUE(!cache.Find("knob.png", 2.04) && !cache.Find("knob.pn", 1.0)) << "exact name and scale";

  cache.Remove(one);
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(cache.Find("knob.png", 1.0), nullptr);
  cache.Remove(one); // no longer there: nothing happens
  EXPECT_EQ(cache.Size(), 1);

  cache.Release();
  EXPECT_EQ(cache.Size(), 1) << "one user left";
  cache.Release();
  EXPECT_EQ(cache.Size(), 0);
  EXPECT_EQ(deaths, 2);
  cache.Release(); // unbalanced: stays at 0 users
  EXPECT_EQ(cache.Users(), 0);
}

TEST(StaticStorageTest, FindThenAddUnderOneAccessorIsAtomicAcrossThreads)
{
  int deaths = 0;
  StaticStorage<Item> storage;
  auto worker = [&]() {
    for (int i = 0; i < 200; ++i)
    {
      StaticStorage<Item>::Accessor cache(storage);
      const std::string name = "item" + std::to_string(i);
      if (!cache.Find(name.c_str(), 1.0))
        cache.Add(new Item(i, &deaths), name.c_str(), 1.0);
    }
  };
  std::thread a(worker), b(worker);
  a.join();
  b.join();
  EXPECT_EQ(StaticStorage<Item>::Accessor(storage).Size(), 200);
}

TEST(StaticStorageTest, TheBitmapCacheLivesWhileAnyDrawingContextExists)
{
  TestGDelegate dlg;
  auto first = std::make_unique<RecordingCanvas>(dlg);
  auto second = std::make_unique<RecordingCanvas>(dlg);
  const IBitmap bitmap(first->CreateAPIBitmap(20, 10, 2.0f, 1.0, false), 2, true, "strip.png");
  EXPECT_EQ(bitmap.W(), 10);
  EXPECT_TRUE(bitmap.FW() == 5 && bitmap.FH() == 5);
  first->RetainBitmap(bitmap, "strip.png");
  EXPECT_EQ(StaticStorage<APIBitmap>::Accessor(sBitmapCache).Find("strip.png", 2.0), bitmap.GetAPIBitmap());

  first.reset();
  EXPECT_EQ(StaticStorage<APIBitmap>::Accessor(sBitmapCache).Size(), 1);
  second.reset();
  EXPECT_EQ(StaticStorage<APIBitmap>::Accessor(sBitmapCache).Size(), 0);
}
