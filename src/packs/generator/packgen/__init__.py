"""Pattern pack tables: records, motion rules and the emitters that turn
them into the module's constant data."""
