// Registry figures for the platform benchmark; filled in when the registry lands.
void registry_figures() {}
