// Movies made from files and the silent NotePlayer.
#include <gtest/gtest.h>

#include "SoundTestSupport.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/MovieClass.h"
#include "graphics/NotePlayerClass.h"
#include "support/TempFolder.h"

namespace {

// A file that exists gives a Movie of a copy of its item, whose path the player would play;
// a missing file gives nil. The movie's measures are unknown here and read 0.
TEST(MovieFiles, OpenAsMovieCopiesAnExistingItem) {
  qvtest::TempFolder folder("qvmovie");
  mediatest::WriteFile(folder / "clip.avi", "RIFF....AVI ");
  FolderItemImpUnix item(string((folder / "clip.avi").c_str()));
  RuntimeObject* movie = item.OpenAsMovie();
  ASSERT_NE(movie, nullptr);
  ASSERT_NE(MovieFile(movie), nullptr);
  EXPECT_NE(MovieFile(movie), &item);
  EXPECT_STREQ(MoviePath(movie).CString(), (folder / "clip.avi").c_str());
  for (auto getter : {movieWidthGetter, movieHeightGetter, movieBaseWidthGetter,
                      movieBaseHeightGetter, movieHandleGetter})
    EXPECT_EQ(getter(movie, 0), 0);
  RuntimeUnlockObject(movie);

  FolderItemImpUnix missing(string((folder / "none.avi").c_str()));
  EXPECT_EQ(missing.OpenAsMovie(), nullptr);
  string url("http://example.invalid/clip.avi");
  EXPECT_EQ(openURLMovie(url.Storage()), nullptr);
}

// NotePlayers are counted while they live and keep their instrument; notes play nothing.
TEST(NotePlayerClass, CountsPlayersAndKeepsTheInstrument) {
  const int32_t before = NotePlayerCount();
  RuntimeObject* first = NewObjectFromDefinition(NotePlayerClassDefinition());
  RuntimeObject* second = NewObjectFromDefinition(NotePlayerClassDefinition());
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(NotePlayerCount(), before + 2);
  notePlayerInstrumentSetter(first, offsetof(NotePlayerObject, instrument), 41);
  EXPECT_EQ(intGetter(first, offsetof(NotePlayerObject, instrument)), 41);
  EXPECT_EQ(intGetter(second, offsetof(NotePlayerObject, instrument)), 0);
  notePlayerPlayNote(first, 60, 100);
  RuntimeUnlockObject(first);
  EXPECT_EQ(NotePlayerCount(), before + 1);
  RuntimeUnlockObject(second);
  EXPECT_EQ(NotePlayerCount(), before);
}

}  // namespace
