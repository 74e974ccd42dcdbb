// The one simulated player of the process, kept by the simulated player's library: the player
// a program attached (playersim.h) or the environment variable named, its two driver faces, and
// why the last attach or creation failed.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace vorpex::sim {

class Player;
class SimWinDriver;
class SimVizu10;
struct PlayerSettings;

struct Simulator {
  Simulator();
  ~Simulator();
  std::unique_ptr<Player> player;
  std::unique_ptr<SimWinDriver> driver;
  std::unique_ptr<SimVizu10> vizu10;
  // Where the next player's Vizu10 handles start, so no two players share a handle value.
  intptr_t nextVizu10Handles = 0x1000;
  // An attach failed and no detach followed: the libraries then have no driver at all, never
  // the system's.
  bool requestFailed = false;
  std::string message;  // why the last attach or creation failed
};

Simulator& GetSimulator();

// The attached player, or nullptr.
Player* ActivePlayer();

// Attaches the player kept in `dir`, replacing any attached before. False, with the reason in
// the message, when the state directory cannot be used; the libraries then have no driver until
// the next attach or detach.
bool Attach(const std::string& dir);
// Nothing asked for any more; forgets a failed attach.
void Detach();
// Creates a fresh player in `dir`; false with the reason in the message. What is attached does
// not change.
bool CreatePlayer(const std::string& dir, const PlayerSettings& settings);

}  // namespace vorpex::sim
