// PLACEHOLDER until the world lands.
