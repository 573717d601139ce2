#include "core/model/KeychainHelper.h"

#include <QUuid>

#include <gtest/gtest.h>

// Runs against the unlocked keyring of the private test session.
TEST(KeychainHelper, SaveReadReplaceDeleteKeepingKeysApart) {
  const QString key = QUuid::createUuid().toString();
  const QString other = QUuid::createUuid().toString();
  EXPECT_FALSE(KeychainHelper::read(key).has_value());
  ASSERT_TRUE(KeychainHelper::save(key, "first"));
  ASSERT_TRUE(KeychainHelper::save(other, QString()));  // an empty secret is still a secret
  // Saving again replaces the item instead of adding a second one.
  ASSERT_TRUE(KeychainHelper::save(key, "sécond ✓"));
  EXPECT_EQ(KeychainHelper::read(key), "sécond ✓");
  EXPECT_TRUE(KeychainHelper::remove(key));
  EXPECT_FALSE(KeychainHelper::read(key).has_value());
  EXPECT_EQ(KeychainHelper::read(other), QString());
  // Deleting what is not there still counts as gone.
  EXPECT_TRUE(KeychainHelper::remove(key));
  EXPECT_TRUE(KeychainHelper::remove(other));
}
