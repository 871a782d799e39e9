// Keeps the support library non-empty until the store writer lands.
