"""The installation medium that scripts/make-medium.sh builds: content rules, setup program, capacity, image."""
