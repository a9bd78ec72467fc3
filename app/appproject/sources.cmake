# Files of app/appproject
