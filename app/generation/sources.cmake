# Files of app/generation
